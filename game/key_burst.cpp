#include "key_burst.h"

#include <cstdlib>

namespace {

bool send_taps(const burst_steps& steps, key_code forward, key_code backward, int count)
{
    const key_code arrow = count > 0 ? forward : backward;
    for (int tap = std::abs(count); tap > 0; --tap) {
        if (!steps.send_key(arrow, key_press) || !steps.send_key(arrow, key_release))
            return false;
        steps.sleep_ms(tap_pause_ms);
    }
    return true;
}

}  // namespace

bool run_key_burst(const burst_steps& steps, game_window window, int dx, int dy)
{
    if (!steps.bring_to_front(window))
        return false;
    steps.sleep_ms(focus_pause_ms);
    if (!steps.send_key(key_control, key_press))
        return false;
    const bool taps_sent = send_taps(steps, key_right, key_left, dx) &&
                           send_taps(steps, key_down, key_up, dy);
    const bool released = steps.send_key(key_control, key_release);
    steps.sleep_ms(tap_pause_ms);
    return taps_sent && released;
}
