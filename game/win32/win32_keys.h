// Keys on Windows, as a keyboard sends them: the virtual key, the scan code, and whether the key
// is one of the extended set (the arrows of the arrow block are; without the flag a program that
// reads scan codes sees the numeric keypad's arrows).
#pragma once

#include "key_burst.h"

struct win32_key {
    unsigned char virtual_key;
    unsigned char scan_code;
    bool extended;
};

win32_key win32_key_of(game_key key);
