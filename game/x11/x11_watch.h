// The game window the driver watches: its connection listens to the window's focus and
// structure events, so that before every key the driver knows, without asking the X server,
// whether the window still exists and still has the focus; and its pixels are kept off-screen
// for the snapshot. One watched window at a time: the driver drives one game. Focus, keys and
// snapshot all reach it through these functions.
#pragma once

#include <X11/Xlib.h>

struct watched_window {
    Window id = 0;
    bool gone = false;                  // destroyed or unmapped since the burst began
    bool focus_left = false;            // the focus is elsewhere, as the last focus event said
    bool delivery_confirmed = false;    // a key was seen to arrive since it is watched
    bool activation_supported = false;  // the window manager takes _NET_ACTIVE_WINDOW
    // Ctrl is in the keyboard's effective modifiers, the state that key events carry, as the
    // last state change the server reported says (not only down in the key map: a Wayland
    // desktop may set XWayland's modifiers afresh when it hands a window the keyboard).
    bool control_in_effect = false;
};

// Starts watching `window`, unless it is watched already: listening to its events, keeping its
// pixels off-screen, and not trusting key delivery to it until confirmed. A window id that the
// server gives out again after the watched window was destroyed is a new window. Returns it,
// with what has arrived so far taken in.
watched_window& watch_game_window(Display* display, Window window);

// The watched window, with the events that have arrived on the connection taken in, without
// waiting and without a request.
watched_window& watched_game_window(Display* display);

// Asks the server whether Ctrl is in effect in the keyboard's modifiers now, and notes it in the
// watched window; state changes reported later keep it up to date. True where the server has no
// keyboard extension: the key map is all there is to go by.
bool confirm_control_in_effect(Display* display);
