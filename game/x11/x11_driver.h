// Everything the X11 driver keeps from one call to the next, in one place (the way xdotool keeps
// its state in one handle): its own connection to the display, what it learnt of the server
// once, the game window it watches, the shared memory its snapshots come through, and whether it
// holds Ctrl down. Opened once, on first use, and handed to every part of the driver. The rest of
// the tool never holds it: the driver's operations take only the game window, a process drives
// one game, and a handle handed down from `app/` would only add a parameter to every call and to
// every game a test plays.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <chrono>

// The game window the driver watches: its connection listens to the window's focus and
// structure events, so that before every key the driver knows, without asking the X server,
// whether the window still exists and still has the focus. One watched window at a time: the
// driver drives one game.
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
    // When the driver last learnt that the window got the keyboard (or began watching it).
    std::chrono::steady_clock::time_point focus_came_at{};
};

// An image in memory shared with the X server, kept from one snapshot to the next while the
// window keeps its size and format.
struct shared_image {
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
};

struct x11_driver {
    Display* display = nullptr;  // null when there is no display
    // What the server offers, asked once.
    bool composite = false;        // Composite 0.2 or later: windows' pixels kept off-screen
    bool xtest = false;            // keys can be sent
    int keyboard_events = -1;      // the first event number of XKEYBOARD; -1 without it
    bool shared_memory = false;    // MIT-SHM, until it fails (another machine)
    // Errors on this connection are recorded, never fatal: the serial number of the latest
    // failed request plus one (0: none yet), and the handler that takes other connections' errors.
    unsigned long failed_request_end = 0;
    XErrorHandler handler_before = nullptr;
    watched_window watched;
    shared_image shared;
    bool control_is_down = false;
};

// The driver, opened on first use and kept for the life of the process.
x11_driver& open_x11_driver();
