#include "capture_pace.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The pace goes by the median of the last few views proved: a hang of the game now and then
// does not slow the rest of the capture, a game that falls behind everywhere does.
constexpr size_t paces_kept = 5;

// The game is given a quarter more than its measured time for each tap.
capture_clock::duration with_margin(capture_clock::duration per_tap)
{
    return per_tap + per_tap / 4;
}

}  // namespace

game_status send_burst(scan& run, int dx, int dy, const pause_work& work, bool continuing)
{
    const game_status status = run.driver.scroll_map_view(run.window, dx, dy, work, continuing);
    const int taps = std::abs(dx) + std::abs(dy);
    if (taps == 0)
        return status;
    // The taps went out before Ctrl came up and its pause passed, one every `tap_pause_ms`; a
    // busy machine stretches the pauses, so the first was no later than that.
    const auto tap_pause = std::chrono::milliseconds(tap_pause_ms);
    const auto first_tap_at = run.driver.now() - (taps + 1) * tap_pause;
    game_pace& pace = run.pace;
    if (pace.taps == 0)
        pace.first_tap_at = first_tap_at;
    pace.taps += taps;
    pace.done_by = std::max(pace.done_by, first_tap_at) + taps * with_margin(pace.per_tap);
    return status;
}

void note_caught_up(scan& run, std::optional<capture_clock::time_point> last_unchanged_at,
                    capture_clock::time_point proved_at)
{
    game_pace& pace = run.pace;
    const auto tap_pause = std::chrono::milliseconds(tap_pause_ms);
    auto per_tap = capture_clock::duration(tap_pause);
    if (last_unchanged_at && pace.taps > 0 && *last_unchanged_at > pace.first_tap_at)
        per_tap = std::max<capture_clock::duration>(
            per_tap, (*last_unchanged_at - pace.first_tap_at) / pace.taps);
    pace.seen.push_back(per_tap);
    if (pace.seen.size() > paces_kept)
        pace.seen.erase(pace.seen.begin());
    std::vector<capture_clock::duration> sorted = pace.seen;
    std::sort(sorted.begin(), sorted.end());
    pace.per_tap = sorted[sorted.size() / 2];
    pace.taps = 0;
    pace.done_by = proved_at;
}

capture_clock::duration frame_time(const scan& run)
{
    return with_margin(run.pace.per_tap);
}
