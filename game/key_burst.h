// One burst of keyboard scrolling, written once over a few platform steps, so that the order of
// the keys, the checks between them and the pauses are the same on every platform.
#pragma once

#include "game_window.h"

#include <chrono>

// A key the game is sent, as a portable notion; each platform has its own table of codes.
enum class game_key { control, left, right, up, down };

using burst_clock = std::chrono::steady_clock;

// What a platform provides for a burst. A table, where the rest of the driver is chosen at link
// time, because the burst's order and checks are also run over steps a test plays (a desktop
// that refuses, drops Ctrl or ends the process at a given key), which no real desktop does on
// cue.
struct burst_steps {
    // Asks for the window to come to the front with the keyboard: ok, window_gone or
    // window_too_small.
    game_status (*request_focus)(game_window window);
    // After the focus pause, one look at whether the window holds the keyboard: ok, window_gone
    // or focus_refused.
    game_status (*confirm_focus)(game_window window);
    // Before every key, from what the desktop has reported so far, without asking it: ok,
    // window_gone, focus_lost, interrupted, or control_dropped while Ctrl is held but no longer
    // in effect.
    game_status (*may_type)(game_window window);
    // Right after Ctrl went down or up: ok once the desktop has passed that on, and with it every
    // key sent before, keys_undelivered when it did not within a bounded time. (A press need only
    // be seen to arrive the first time keys go to a window.) Every press must also be in effect
    // in the modifiers the game's key events will carry: control_dropped when it is not.
    game_status (*confirm_delivery)(game_window window, bool pressed);
    // Sends one key event; false when it could not be sent.
    bool (*send_key)(game_key key, bool pressed);
    // Returns at `deadline` or later, doing `work` meanwhile; earlier only when the process is
    // being ended.
    void (*pause_until)(burst_clock::time_point deadline, const pause_work& work);
    burst_clock::time_point (*now)();
    // Tells the platform whether Ctrl is down, so that an ending process can release it.
    void (*control_held)(bool held);
};

// Focus, `focus_pause_ms` (its first piece of `work` done in any case), check, Ctrl down, |dx|
// horizontal taps then |dy| vertical taps (each a press and a release, then `tap_pause_ms`), Ctrl
// up, `tap_pause_ms` from the moment the desktop has passed Ctrl up on (so that the game had its
// time even where keys arrive late). Every check that fails stops the burst at once; Ctrl is
// always released once it was pressed.
// A `continuing` burst (a later one of the same capture) first makes sure that the window kept
// the keyboard since the previous burst: a player who clicked elsewhere to stop the capture is
// not overruled by the next focus request.
game_status run_key_burst(const burst_steps& steps, game_window window, int dx, int dy,
                          const pause_work& work, bool continuing = false);
