#include "x11_watch.h"

#include "x11_connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xcomposite.h>

namespace {

watched_window watched;

// The first event number of the keyboard extension on the connection; -1 without it.
int keyboard_event_base(Display* display)
{
    static const int base = [display] {
        int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        return XkbQueryExtension(display, &opcode, &event, &error, &major, &minor) ? event : -1;
    }();
    return base;
}

void handle(Display* display, const XEvent& event)
{
    if (event.type == keyboard_event_base(display)) {
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
        // answer to a focus request.
        if (event.xfocus.window == watched.id)
            watched.focus_left = false;
        break;
    default:
        break;
    }
}

// Keeps the window's own pixels off-screen (Composite redirection), so that its picture never
// shows a window lying over it nor lacks a part lying off the screen, and has it redraw them
// all. Without Composite it does nothing.
void keep_window_pixels(Display* display, Window window)
{
    if (!composite_available(display))
        return;
    // Another program (a compositing window manager) may redirect it already; then its storage
    // is there anyway.
    XCompositeRedirectWindow(display, window, CompositeRedirectAutomatic);
    // The new storage starts as a copy of the screen: let the game paint all of it.
    XClearArea(display, window, 0, 0, 0, 0, True);
    XFlush(display);
}

}  // namespace

watched_window& watched_game_window(Display* display)
{
    while (XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(display, event);
    }
    return watched;
}

watched_window& watch_game_window(Display* display, Window window)
{
    watched_game_window(display);
    if (watched.id == window)
        return watched;
    watched = watched_window{};
    watched.id = window;
    watched.activation_supported = window_manager_supports(display, "_NET_ACTIVE_WINDOW");
    XSelectInput(display, window, FocusChangeMask | StructureNotifyMask);
    if (keyboard_event_base(display) >= 0)
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbModifierStateMask,
                              XkbModifierStateMask);
    keep_window_pixels(display, window);
    return watched;
}

bool confirm_control_in_effect(Display* display)
{
    XkbStateRec state{};
    if (keyboard_event_base(display) < 0 || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return true;
    // State changes the server reported before its answer are older than the answer.
    watched_game_window(display).control_in_effect = (state.mods & ControlMask) != 0;
    return watched.control_in_effect;
}
