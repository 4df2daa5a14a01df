// The key burst on X11: keys through XTest, checked before each one against the focus events of
// the game window, pauses kept to the millisecond, and Ctrl released before the process ends on
// SIGINT, SIGTERM or SIGHUP in the middle of a burst.
#include "game_window.h"
#include "key_burst.h"
#include "x11_connection.h"
#include "x11_focus.h"
#include "x11_keys.h"
#include "x11_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <csignal>
#include <ctime>

namespace {

// Termination while Ctrl is down: the handler only notes the signal; the burst releases Ctrl at
// its next step, and the process then ends the way the signal asks.
const int termination_signals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t control_is_down = 0;
volatile std::sig_atomic_t pending_termination = 0;

void end_as_asked(int signal_number)
{
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void on_termination(int signal_number)
{
    if (control_is_down)
        pending_termination = signal_number;
    else
        end_as_asked(signal_number);
}

// Installed once, for the signals that would end the process anyway; an ignored one stays ignored.
void watch_termination_signals()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int signal_number : termination_signals) {
        struct sigaction action{}, previous{};
        sigaction(signal_number, nullptr, &previous);
        if (previous.sa_handler != SIG_DFL || (previous.sa_flags & SA_SIGINFO))
            continue;
        action.sa_handler = on_termination;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal_number, &action, nullptr);
    }
}

void set_control_held(bool held)
{
    control_is_down = held;
    if (!held && pending_termination) {
        // Make sure the release has reached the server before the connection goes.
        if (Display* display = driver_display())
            XSync(display, False);
        end_as_asked(pending_termination);
    }
}

bool xtest_available(Display* display)
{
    static const bool available = [display] {
        int event_base, error_base, major, minor;
        return XTestQueryExtension(display, &event_base, &error_base, &major, &minor) != 0;
    }();
    return available;
}

// Keys go to the server without waiting for it: a round trip per key would add up over the
// hundreds of taps of a capture. Errors reach the driver's handler, never a fatal one.
bool send_key(game_key key, bool pressed)
{
    Display* display = driver_display();
    if (!display || !xtest_available(display))
        return false;
    const KeyCode code = XKeysymToKeycode(display, keysym_of(key));
    if (!code || !XTestFakeKeyEvent(display, code, pressed, CurrentTime))
        return false;
    XFlush(display);
    return true;
}

game_status may_type(game_window window)
{
    if (pending_termination)
        return game_status::interrupted;
    const game_status status = focus_status(window);
    // While Ctrl is held, the state changes the server has reported so far must still show it
    // in effect: an arrow without it is another command in the game.
    if (status == game_status::ok && control_is_down &&
        !watched_game_window(driver_display()).control_in_effect)
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

// A desktop may pass the keys of XTest on through a permission portal, later than they were
// sent. Ctrl's state in the server tells when it got there: the first press typed into a window
// must show before any arrow follows it, and every release before the pause that ends in a
// snapshot, so that the game had that pause after its last tap. Every press must then also be in
// effect in the keyboard's modifiers, which a desktop handing the game the keyboard may have
// reset meanwhile.
game_status confirm_delivery(game_window window, bool pressed)
{
    Display* display = driver_display();
    watched_window& watched = watched_game_window(display);
    if (!pressed || watched.id != window || !watched.delivery_confirmed) {
        const auto deadline = burst_clock::now() + std::chrono::seconds(1);
        while (control_down_in_server(display) != pressed) {
            if (burst_clock::now() > deadline || pending_termination)
                return game_status::keys_undelivered;
            const timespec pause{0, 2'000'000};
            nanosleep(&pause, nullptr);
        }
        if (pressed && watched.id == window)
            watched.delivery_confirmed = true;
    }
    if (pressed && !confirm_control_in_effect(display))
        return game_status::control_dropped;
    return game_status::ok;
}

burst_clock::time_point now()
{
    return burst_clock::now();
}

// Sleeps until shortly before the deadline, then waits out the rest without sleeping, so that
// the pauses end on time instead of a scheduler tick late. Work is done while enough time is left.
void wait_until(burst_clock::time_point deadline, const pause_work& work)
{
    using std::chrono::microseconds;
    constexpr auto time_for_work = std::chrono::milliseconds(5);
    constexpr auto spin = microseconds(300);
    bool work_left = static_cast<bool>(work);
    while (!pending_termination) {
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

constexpr burst_steps x11_burst_steps{request_focus, confirm_focus,    may_type, confirm_delivery,
                                      send_key,      wait_until,       now,      set_control_held};

}  // namespace

game_status scroll_map_view(game_window window, int dx, int dy, const pause_work& work,
                            bool continuing)
{
    watch_termination_signals();
    return run_key_burst(x11_burst_steps, window, dx, dy, work, continuing);
}
