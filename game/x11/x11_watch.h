// Watching the game window: the driver's connection listens to the window's focus and structure
// events and to the keyboard's state, and keeps the window's pixels off-screen for the snapshot.
// Focus, keys and snapshot all reach the watched window through these functions.
#pragma once

#include "x11_driver.h"

// Starts watching `window`, unless it is watched already: listening to its events, keeping its
// pixels off-screen, and not trusting key delivery to it until confirmed. A window id that the
// server gives out again after the watched window was destroyed is a new window. Returns it,
// with what has arrived so far taken in.
watched_window& watch_game_window(x11_driver& driver, Window window);

// The watched window, with the events that have arrived on the connection taken in, without
// waiting and without a request.
watched_window& take_in_events(x11_driver& driver);

// Asks the server whether Ctrl is in effect in the keyboard's modifiers now, and notes it in the
// watched window; state changes reported later keep it up to date. True where the server has no
// keyboard extension: the key map is all there is to go by.
bool confirm_control_in_effect(x11_driver& driver);
