#include "x11_focus.h"

#include "x11_connection.h"
#include "x11_snapshot.h"

namespace {

// The watched window and what its events said.
struct watched_window {
    Window id = 0;
    bool gone = false;               // destroyed or unmapped since the burst began
    bool focus_left = false;         // lost the focus since the last confirmation
    bool delivery_confirmed = false;
    bool activation_supported = false;  // the window manager takes _NET_ACTIVE_WINDOW
};
watched_window watched;

void handle(const XEvent& event)
{
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
    default:
        break;
    }
}

// Reads what has arrived on the connection, without waiting and without a request.
void take_arrived_events(Display* display)
{
    while (XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event);
    }
}

void send_activation_request(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, "_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // the request comes from a pager-like tool
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

void watch_game_window(Display* display, Window window)
{
    take_arrived_events(display);
    if (watched.id == window)
        return;
    watched = watched_window{};
    watched.id = window;
    watched.activation_supported = window_manager_supports(display, "_NET_ACTIVE_WINDOW");
    XSelectInput(display, window, FocusChangeMask | StructureNotifyMask);
    keep_window_pixels(display, window);
}

bool delivery_confirmed(Window window)
{
    return watched.id == window && watched.delivery_confirmed;
}

void note_delivery_confirmed(Window window)
{
    if (watched.id == window)
        watched.delivery_confirmed = true;
}

game_status request_focus(game_window window)
{
    Display* display = driver_display();
    if (!display || !window)
        return game_status::window_gone;
    watch_game_window(display, window);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, window, &attributes) != 0;
    const bool shown = exists && attributes.map_state == IsViewable;
    const bool large = exists && attributes.width >= min_client_width &&
                       attributes.height >= min_client_height;
    // What counts from here on is what happens during this burst.
    watched.gone = !shown;
    if (shown && large) {
        if (watched.activation_supported)
            send_activation_request(display, window);
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    // A refused focus request shows in the confirmation; only a missing window matters here.
    XFlush(display);
    take_arrived_events(display);
    if (watched.gone)
        return game_status::window_gone;
    return large ? game_status::ok : game_status::window_too_small;
}

game_status confirm_focus(game_window window)
{
    Display* display = driver_display();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // Everything that happened before the answer has arrived with it.
    take_arrived_events(display);
    if (watched.gone)
        return game_status::window_gone;
    const bool held = focus == window || (focus > PointerRoot && window_inside(display, focus, window));
    if (!held)
        return game_status::focus_refused;
    watched.focus_left = false;
    return game_status::ok;
}

game_status focus_status(game_window)
{
    take_arrived_events(driver_display());
    if (watched.gone)
        return game_status::window_gone;
    return watched.focus_left ? game_status::focus_lost : game_status::ok;
}
