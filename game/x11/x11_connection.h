// The few helpers every part of the X11 driver uses on its connection. Errors on it never end
// the process: they are recorded, and a group of requests whose errors matter is bracketed with
// an error trap.
#pragma once

#include "x11_driver.h"

#include <string>
#include <vector>

// Brackets requests whose errors must be known. Errors are told apart by the serial numbers of
// the requests, so opening a trap costs nothing; closing it waits for the server to answer all
// requests made since, unless a request that waits for its answer was the last one made.
struct error_trap {
    unsigned long first_request;
};
error_trap begin_error_trap(x11_driver& driver);
bool end_error_trap(x11_driver& driver, const error_trap& trap);
// Without waiting: right after a request that waits for its answer (XGetImage and the like),
// whether any request since the trap began failed.
bool answered_without_error(const x11_driver& driver, const error_trap& trap);

Atom atom(Display* display, const char* name);

// The values of a 32-bit property (windows or atoms); empty when it is absent.
std::vector<unsigned long> long_property(Display* display, Window window, const char* name,
                                         Atom type);

// Whether the window manager says it supports the named hint (_NET_SUPPORTED).
bool window_manager_supports(Display* display, const char* name);

// The window's parent in the window tree; 0 when the window is gone.
Window parent_of(Display* display, Window window);

// Whether `inner` is `outer` or lies inside it in the window tree.
bool window_inside(Display* display, Window inner, Window outer);

