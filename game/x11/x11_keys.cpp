#include "x11_keys.h"

#include <X11/keysym.h>

KeySym keysym_of(game_key key)
{
    switch (key) {
    case game_key::control: return XK_Control_L;
    case game_key::left: return XK_Left;
    case game_key::right: return XK_Right;
    case game_key::up: return XK_Up;
    case game_key::down: return XK_Down;
    }
    return NoSymbol;
}
