// The key burst on X11: keys through XTest, checked before each one against the focus events of
// the game window, pauses kept to the millisecond, and Ctrl released before the process ends
// when it is ended in the middle of a burst.
#include "game_window.h"
#include "key_burst.h"
#include "process_end.h"
#include "x11_connection.h"
#include "x11_focus.h"
#include "x11_keys.h"
#include "x11_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <ctime>

namespace {

// The burst's steps, each on the driver opened once for the process. While Ctrl is down, an end
// asked for waits: the burst releases Ctrl at its next step, and the process then ends the way it
// was asked.
void set_control_held(bool held)
{
    x11_driver& driver = open_x11_driver();
    driver.control_is_down = held;
    // Make sure the release has reached the server before the connection goes.
    if (!held && process_end_asked() && driver.display)
        XSync(driver.display, False);
    hold_process_end(held);
}

game_status request_focus_step(game_window window)
{
    return request_focus(open_x11_driver(), window);
}

game_status confirm_focus_step(game_window window)
{
    return confirm_focus(open_x11_driver(), window);
}

// A press goes out with the release that follows it, and a release is waited for until the
// server has handled it: the pause after it then counts from the moment the key event got its
// time, so the game never sees two taps closer than the pause, whatever the server's delay.
// One write and one round trip a tap. Errors reach the driver's handler, never a fatal one.
bool send_key(game_key key, bool pressed)
{
    const x11_driver& driver = open_x11_driver();
    Display* display = driver.display;
    if (!display || !driver.xtest)
        return false;
    const KeyCode code = XKeysymToKeycode(display, keysym_of(key));
    if (!code || !XTestFakeKeyEvent(display, code, pressed, CurrentTime))
        return false;
    if (!pressed)
        XSync(display, False);
    else if (key == game_key::control)
        XFlush(display);
    return true;
}

game_status may_type(game_window)
{
    if (process_end_asked())
        return game_status::interrupted;
    x11_driver& driver = open_x11_driver();
    const game_status status = focus_status(driver);
    // While Ctrl is held, the state changes the server has reported so far must still show it
    // in effect: an arrow without it is another command in the game.
    if (status == game_status::ok && driver.control_is_down && !driver.watched.control_in_effect)
        return game_status::control_dropped;
    return status;
}

bool control_down_in_server(Display* display)
{
    char keys[32];
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, keysym_of(game_key::control));
    return (keys[code / 8] >> (code % 8)) & 1;
}

// How long after the window got the keyboard its modifiers may still be set afresh: a Wayland
// desktop tells XWayland the modifiers it knows (without the tool's Ctrl) some milliseconds after
// the focus came, tens of them on a busy machine.
constexpr auto keyboard_handover = std::chrono::milliseconds(200);

// With Ctrl down: waits until the window has held the keyboard for `keyboard_handover`, then
// makes sure that Ctrl is in effect. False as soon as the modifiers are seen set without it (or
// the keyboard handed over again): no arrow has gone out then. Where the focus came long ago,
// one look at the modifiers, as for every press.
bool control_kept_through_handover(x11_driver& driver)
{
    const auto handed_over = driver.watched.focus_came_at + keyboard_handover;
    bool in_effect = confirm_control_in_effect(driver);
    if (burst_clock::now() >= handed_over)
        return in_effect;
    while (in_effect && !process_end_asked() && burst_clock::now() < handed_over) {
        const timespec pause{0, 2'000'000};
        nanosleep(&pause, nullptr);
        in_effect = take_in_events(driver).control_in_effect;
    }
    return in_effect && confirm_control_in_effect(driver);
}

// A desktop may pass the keys of XTest on through a permission portal, later than they were
// sent. Ctrl's state in the server tells when it got there: the first press typed into a window
// must show before any arrow follows it, and every release before the pause that ends in a
// snapshot, so that the game had that pause after its last tap. Every press must then also be in
// effect in the keyboard's modifiers, which a desktop handing the game the keyboard may have
// reset meanwhile.
game_status confirm_delivery(game_window window, bool pressed)
{
    x11_driver& driver = open_x11_driver();
    Display* display = driver.display;
    watched_window& watched = take_in_events(driver);
    if (!pressed || watched.id != window || !watched.delivery_confirmed) {
        const auto deadline = burst_clock::now() + std::chrono::seconds(1);
        while (control_down_in_server(display) != pressed) {
            if (burst_clock::now() > deadline || process_end_asked())
                return game_status::keys_undelivered;
            const timespec pause{0, 2'000'000};
            nanosleep(&pause, nullptr);
        }
        if (pressed && watched.id == window)
            watched.delivery_confirmed = true;
    }
    if (pressed && !control_kept_through_handover(driver))
        return game_status::control_dropped;
    return game_status::ok;
}

burst_clock::time_point now()
{
    return burst_clock::now();
}

// Sleeps until shortly before the deadline, then waits out the rest without sleeping, so that
// the pauses end on time instead of a scheduler tick late. Work is done while enough time is left.
void pause_until(burst_clock::time_point deadline, const pause_work& work)
{
    using std::chrono::microseconds;
    constexpr auto time_for_work = std::chrono::milliseconds(5);
    constexpr auto spin = microseconds(300);
    bool work_left = static_cast<bool>(work);
    while (!process_end_asked()) {
        const auto left = deadline - burst_clock::now();
        if (left <= burst_clock::duration::zero())
            return;
        if (work_left && left > time_for_work) {
            work_left = work();
        } else if (left > spin) {
            const auto nap = std::chrono::duration_cast<std::chrono::nanoseconds>(left - spin);
            const timespec pause{static_cast<time_t>(nap.count() / 1'000'000'000),
                                 static_cast<long>(nap.count() % 1'000'000'000)};
            nanosleep(&pause, nullptr);
        }
    }
}

constexpr burst_steps x11_burst_steps{request_focus_step, confirm_focus_step, may_type,
                                      confirm_delivery,   send_key,           pause_until,
                                      now,                set_control_held};

}  // namespace

game_status scroll_map_view(game_window window, int dx, int dy, const pause_work& work,
                            bool continuing)
{
    watch_process_end();
    return run_key_burst(x11_burst_steps, window, dx, dy, work, continuing);
}
