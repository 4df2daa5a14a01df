#include "x11_focus.h"

#include "x11_connection.h"
#include "x11_watch.h"

namespace {

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

game_status request_focus(x11_driver& driver, game_window window)
{
    Display* display = driver.display;
    if (!display || !window)
        return game_status::window_gone;
    watched_window& watched = watch_game_window(driver, window);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, window, &attributes) != 0;
    const bool shown = exists && attributes.map_state == IsViewable;
    const bool large = exists && attributes.width >= min_client_width &&
                       attributes.height >= min_client_height;
    // What counts from here on is what happens during this burst.
    watched.gone = !shown;
    if (shown && large) {
        // A window manager that takes activation requests decides on the focus; setting it
        // behind its back may hold only until it sets it back (weston does), and keys would
        // start into a focus about to leave.
        if (watched.activation_supported) {
            send_activation_request(display, window);
        } else {
            XRaiseWindow(display, window);
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
        }
    }
    // A refused focus request shows in the confirmation; only a missing window matters here.
    XFlush(display);
    take_in_events(driver);
    if (watched.gone)
        return game_status::window_gone;
    return large ? game_status::ok : game_status::window_too_small;
}

game_status confirm_focus(x11_driver& driver, game_window window)
{
    Display* display = driver.display;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // Everything that happened before the answer has arrived with it.
    watched_window& watched = take_in_events(driver);
    if (watched.gone)
        return game_status::window_gone;
    const bool held = focus == window || (focus > PointerRoot && window_inside(display, focus, window));
    if (!held)
        return game_status::focus_refused;
    watched.focus_left = false;
    return game_status::ok;
}

game_status focus_status(x11_driver& driver)
{
    const watched_window& watched = take_in_events(driver);
    if (watched.gone)
        return game_status::window_gone;
    return watched.focus_left ? game_status::focus_lost : game_status::ok;
}
