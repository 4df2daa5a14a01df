// Keys on Windows: the virtual key and the plain scan code of each key the game is sent, as
// keybd_event takes them (no extended-key flag).
#pragma once

#include "key_burst.h"

struct win32_key {
    unsigned char virtual_key;
    unsigned char scan_code;
};

win32_key win32_key_of(game_key key);
