// Keys on X11: the keysym of each key the game is sent.
#pragma once

#include "key_burst.h"

#include <X11/X.h>

// The keysym the X server knows the key by.
KeySym keysym_of(game_key key);
