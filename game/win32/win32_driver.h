// Everything the Windows driver keeps from one call to the next, in one place, as the X11 driver
// keeps its own (x11_driver.h): whether a burst holds Ctrl down, and which way of taking a
// snapshot showed the game last. Opened on first use and handed to the parts of the driver.
#pragma once

// Two ways to copy a window's client area: the window draws itself (PrintWindow), or what its
// drawing context shows is copied (BitBlt).
enum class snapshot_way { print_window, window_dc };

struct win32_driver {
    bool control_held_now = false;
    snapshot_way first_way = snapshot_way::print_window;  // tried first: it showed the game last
};

// The driver, kept for the life of the process.
win32_driver& open_win32_driver();
