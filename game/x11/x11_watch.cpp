#include "x11_watch.h"

#include "x11_connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xcomposite.h>

namespace {

void handle(x11_driver& driver, const XEvent& event)
{
    watched_window& watched = driver.watched;
    if (event.type == driver.keyboard_events) {
        const XkbEvent& change = reinterpret_cast<const XkbEvent&>(event);
        if (change.any.xkb_type == XkbStateNotify)
            watched.control_in_effect = (change.state.mods & ControlMask) != 0;
        return;
    }
    switch (event.type) {
    case DestroyNotify:
        if (event.xdestroywindow.window == watched.id) {
            watched.gone = true;
            watched.id = 0;  // its id may be given to another window
        }
        break;
    case UnmapNotify:
        watched.gone = watched.gone || event.xunmap.window == watched.id;
        break;
    case FocusOut:
        // Focus moving into a window inside the game still reaches the game.
        if (event.xfocus.window == watched.id && event.xfocus.detail != NotifyInferior)
            watched.focus_left = true;
        break;
    case FocusIn:
        // Back with the game: some desktops (weston) take the focus away and give it back in
        // answer to a focus request. A Wayland desktop that hands a window the keyboard sets
        // XWayland's modifiers afresh soon after: a Ctrl held meanwhile no longer counts on.
        if (event.xfocus.window != watched.id)
            break;
        watched.focus_left = false;
        if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior) {
            watched.focus_came_at = std::chrono::steady_clock::now();
            if (driver.control_is_down)
                watched.control_in_effect = false;
        }
        break;
    default:
        break;
    }
}

// Keeps the window's own pixels off-screen (Composite redirection), so that its snapshot never
// shows a window lying over it nor lacks a part lying off the display, and has it redraw them
// all. Without Composite it does nothing.
void keep_window_pixels(x11_driver& driver, Window window)
{
    if (!driver.composite)
        return;
    Display* display = driver.display;
    // Another program (a compositing window manager) may redirect it already; then its storage
    // is there anyway.
    XCompositeRedirectWindow(display, window, CompositeRedirectAutomatic);
    // The new storage starts as a copy of the display: let the game paint all of it.
    XClearArea(display, window, 0, 0, 0, 0, True);
    XFlush(display);
}

}  // namespace

watched_window& take_in_events(x11_driver& driver)
{
    while (XEventsQueued(driver.display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(driver.display, &event);
        handle(driver, event);
    }
    return driver.watched;
}

watched_window& watch_game_window(x11_driver& driver, Window window)
{
    watched_window& watched = take_in_events(driver);
    if (watched.id == window)
        return watched;
    Display* display = driver.display;
    watched = watched_window{};
    watched.id = window;
    watched.focus_came_at = std::chrono::steady_clock::now();
    watched.activation_supported = window_manager_supports(display, "_NET_ACTIVE_WINDOW");
    XSelectInput(display, window, FocusChangeMask | StructureNotifyMask);
    if (driver.keyboard_events >= 0)
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbModifierStateMask,
                              XkbModifierStateMask);
    keep_window_pixels(driver, window);
    return watched;
}

bool confirm_control_in_effect(x11_driver& driver)
{
    XkbStateRec state{};
    if (driver.keyboard_events < 0 ||
        XkbGetState(driver.display, XkbUseCoreKbd, &state) != Success)
        return true;
    // State changes the server reported before its answer are older than the answer.
    watched_window& watched = take_in_events(driver);
    watched.control_in_effect = (state.mods & ControlMask) != 0;
    return watched.control_in_effect;
}
