#include "key_burst.h"

#include <cstdlib>

namespace {

// Sends |count| taps of one arrow, checking before each. Returns ok or why it stopped.
game_status send_taps(const burst_steps& steps, game_window window, game_key forward,
                      game_key backward, int count)
{
    const game_key arrow = count > 0 ? forward : backward;
    for (int tap = std::abs(count); tap > 0; --tap) {
        const game_status status = steps.may_type(window);
        if (status != game_status::ok)
            return status;
        // The release goes out even when the press could not: no arrow is ever left down.
        const bool pressed = steps.send_key(arrow, true);
        const bool released = steps.send_key(arrow, false);
        if (!pressed || !released)
            return game_status::keys_undelivered;
        steps.pause_until(steps.now() + std::chrono::milliseconds(tap_pause_ms), {});
    }
    return game_status::ok;
}

}  // namespace

game_status run_key_burst(const burst_steps& steps, game_window window, int dx, int dy,
                          const pause_work& work, bool continuing)
{
    game_status status = continuing ? steps.may_type(window) : game_status::ok;
    if (status == game_status::ok)
        status = steps.request_focus(window);
    if (status != game_status::ok)
        return status;
    const auto focus_deadline = steps.now() + std::chrono::milliseconds(focus_pause_ms);
    // The first piece of work is done before any key, however long it takes: the caller may
    // need to look at what the previous burst did before more keys go out.
    const bool more_work = work && work();
    steps.pause_until(focus_deadline, more_work ? work : pause_work{});
    status = steps.confirm_focus(window);
    if (status == game_status::ok)
        status = steps.may_type(window);
    // A focus that went again right after it came, before any key, was not given: the first
    // burst of a capture then waits for the player as for a refused one.
    if (status == game_status::focus_lost && !continuing)
        status = game_status::focus_refused;
    if (status != game_status::ok)
        return status;

    steps.control_held(true);
    if (!steps.send_key(game_key::control, true)) {
        steps.send_key(game_key::control, false);
        steps.control_held(false);
        return game_status::keys_undelivered;
    }
    status = steps.confirm_delivery(window, true);
    if (status == game_status::ok)
        status = send_taps(steps, window, game_key::right, game_key::left, dx);
    if (status == game_status::ok)
        status = send_taps(steps, window, game_key::down, game_key::up, dy);
    const bool released = steps.send_key(game_key::control, false);
    steps.control_held(false);
    if (status != game_status::ok)
        return status;
    if (!released)
        return game_status::keys_undelivered;
    status = steps.confirm_delivery(window, false);
    if (status != game_status::ok)
        return status;
    steps.pause_until(steps.now() + std::chrono::milliseconds(tap_pause_ms), work);
    return game_status::ok;
}
