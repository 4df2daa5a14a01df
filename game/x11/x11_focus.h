// The game window as the driver watches it. The driver's connection listens to the window's focus
// and structure events, so that before every key it knows, without asking the X server, whether
// the window still exists and still has the focus.
#pragma once

#include "game_window.h"

#include <X11/Xlib.h>

// Starts watching `window`, unless it is watched already: listening to its events, keeping its
// pixels off-screen, and not trusting key delivery to it until confirmed. A window id that the
// server gives out again after the watched window was destroyed is a new window.
void watch_game_window(Display* display, Window window);

// Whether a key was seen to arrive since the window is watched, and noting that one did.
bool delivery_confirmed(Window window);
void note_delivery_confirmed(Window window);

// Asks for the window to be raised and focused: ok, window_gone or window_too_small.
game_status request_focus(game_window window);

// One question to the server after the focus pause: ok when the window (or a window inside it)
// has the focus, else focus_refused or window_gone.
game_status confirm_focus(game_window window);

// What the events that have arrived say, without a round trip: ok, window_gone or focus_lost.
game_status focus_status(game_window window);
