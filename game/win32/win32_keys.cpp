#include "win32_keys.h"

#include <windows.h>

win32_key win32_key_of(game_key key)
{
    switch (key) {
    case game_key::control: return {VK_CONTROL, 0x1D, false};
    case game_key::left: return {VK_LEFT, 0x4B, true};
    case game_key::right: return {VK_RIGHT, 0x4D, true};
    case game_key::up: return {VK_UP, 0x48, true};
    case game_key::down: return {VK_DOWN, 0x50, true};
    }
    return {0, 0, false};
}
