// Focus on X11: asking for the game window to have the keyboard, and knowing whether it has.
#pragma once

#include "game_window.h"
#include "x11_driver.h"

// Starts watching the window (see x11_watch.h) and asks for it to be raised and focused: ok,
// window_gone or window_too_small.
game_status request_focus(x11_driver& driver, game_window window);

// One question to the server after the focus pause: ok when the watched window (or a window
// inside it) has the focus, else focus_refused or window_gone.
game_status confirm_focus(x11_driver& driver, game_window window);

// What the events that have arrived say of the watched window, without a round trip: ok,
// window_gone or focus_lost.
game_status focus_status(x11_driver& driver);
