// What the tool tells the player, in plain words, when a capture stops or waits.
#pragma once

#include "game_window.h"

// Why a capture stopped, for the message box; null for ok.
const char* capture_stop_message(game_status status);

// The tool window's title while the capture waits for the player; the plain title for ok.
const char* waiting_title(game_status status);
