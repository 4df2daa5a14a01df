// Test support: a real Wayland compositor with its XWayland server, one per test. While it runs,
// DISPLAY (and XAUTHORITY where the compositor asks for it) point at its XWayland server, so that
// the programs a test starts are X11 clients of it, as the game under Wine and the tool are on a
// Wayland desktop.
#pragma once

#include "desktop.h"

#include <string>

struct wayland_desktop {
    child_process compositor;
    std::string runtime_folder;  // XDG_RUNTIME_DIR of its own
    std::string log;             // what the compositor printed
    std::string x_display;       // its XWayland server, ":N"
    std::string host_display;    // the X server a nested compositor draws into
    std::string failure;         // why it did not come up; empty when it did
};

// GNOME's compositor, headless, with a virtual 1280 x 1024 monitor.
wayland_desktop start_mutter();

// Weston, nested in the current X server (a private Xvfb) through its X11 backend, in a window of
// 1024 x 800 at the top left, so that the host's pointer can also be outside it.
wayland_desktop start_weston();

// Ends the compositor and its XWayland, and points DISPLAY back at the host.
void stop_wayland_desktop(wayland_desktop& desktop);
