// The scan of a capture: its first burst, the walk stop by stop, and the recovery of a screen
// found elsewhere than the walk asked, over the steps declared in capture_scan.h.
#include "capture_scan.h"

#include "capture_pace.h"
#include "capture_settle.h"
#include "capture_size_proof.h"
#include "capture_stitch.h"

#include <algorithm>

namespace {

// At most this many times a capture goes back to the top-left limit to find its place again: a
// tap that the game missed now and then is recovered, while a game that does not scroll fails at
// once again (and each recovery costs a walk of up to 7 seconds from the limit and back).
constexpr int most_recoveries = 3;

// Whether the player (or the desktop) must act before the first burst can go out. No key has
// gone out then, or (Ctrl dropped) only taps toward the top-left limit, so the burst may simply
// be tried again.
bool worth_retrying(game_status status)
{
    return status == game_status::focus_refused || status == game_status::keys_undelivered ||
           status == game_status::control_dropped;
}

// The capture's first burst. Where the desktop does not give the game the keyboard, holds the
// keys back until the player allows them, or lets go of Ctrl as it hands the game the keyboard,
// the burst is tried again (the player asked to act where that is needed), for a bounded time.
game_status first_burst(scan& run, const pause_work& work)
{
    const capture_driver& driver = run.driver;
    const capture_observer& observer = run.observer;
    const int limit = run.size.traverse_taps;
    game_status status = send_burst(run, -limit, -limit, work, false);
    if (!worth_retrying(status))
        return status;
    const auto start = driver.now();
    game_status told = game_status::ok;
    while (worth_retrying(status)) {
        const auto bound = status == game_status::keys_undelivered ? permission_wait : focus_wait;
        if (driver.now() - start > bound)
            break;
        const bool players_turn = status == game_status::keys_undelivered ||
                                  (status == game_status::focus_refused &&
                                   driver.now() - start >= focus_grace);
        if (observer.waiting && status != told && players_turn) {
            observer.waiting(status);
            told = status;
        }
        if (observer.idle)
            observer.idle();
        status = send_burst(run, -limit, -limit, work, false);
    }
    if (observer.waiting && told != game_status::ok)
        observer.waiting(game_status::ok);
    return status;
}

// The top-left limit is the one place the view is known to reach from anywhere: from there
// straight to the stop (`x_taps`, `y_taps`) of the screen that did not fit, taken and
// checked again. A screen that still does not fit stops the scan again.
game_status recover(scan& run, int x_taps, int y_taps)
{
    ++run.recoveries;
    if (run.observer.recovering)
        run.observer.recovering();
    const int limit = run.size.traverse_taps;
    game_status status = send_burst(run, -limit, -limit);
    if (status == game_status::ok)
        status = send_burst(run, x_taps, y_taps);
    if (status == game_status::ok)
        status = snapshot_waiting_stop(run);
    if (status == game_status::ok)
        use_waiting_stop(run);
    return status;
}

// Remaining pauses the walk asks for from each stop on, in milliseconds, for the progress told.
std::vector<int> pauses_left_ms(const std::vector<walk_stop>& walk)
{
    std::vector<int> left(walk.size() + 1, 0);
    for (size_t i = walk.size(); i-- > 0;) {
        left[i] = left[i + 1] + static_cast<int>(settle_pause.count());
        for (const auto& [dx, dy] : walk[i].bursts)
            left[i] += static_cast<int>(focus_pause_ms + tap_pause_ms +
                                        tap_pause_ms * (std::abs(dx) + std::abs(dy)));
    }
    return left;
}

// The walk of the scan, stop by stop, with the progress told at every screen. Returns ok, or
// why the game stopped it.
game_status walk_the_map(scan& run)
{
    int x_taps = 0, y_taps = 0;  // the stop the view was last sent to
    const auto recovering_from_misplaced = [&](const auto& step) -> game_status {
        for (;;) {
            try {
                return step();
            } catch (const scan_outcome& stopped) {
                if (stopped.status != game_status::view_misplaced || stopped.final ||
                    run.recoveries >= most_recoveries)
                    throw;
                check_for_limit(run);
                const game_status status = recover(run, x_taps, y_taps);
                if (status != game_status::ok)
                    return status;
            }
        }
    };
    const pause_work work = [&] { return work_in_pause(run); };
    const std::vector<walk_stop> walk = map_walk(run.size);
    const std::vector<int> left_ms = pauses_left_ms(walk);
    int screens = 0;
    for (size_t i = 0; i < walk.size(); ++i) {
        const walk_stop& stop = walk[i];
        for (const auto& [dx, dy] : stop.bursts) {
            const game_status status = recovering_from_misplaced(
                [&] { return send_burst(run, dx, dy, work); });
            if (status != game_status::ok)
                return status;
        }
        x_taps = stop.x;
        y_taps = stop.y;
        if (stop.kind == stop_kind::screen && run.observer.progress)
            run.observer.progress(++screens, walk_screens(run.size), (left_ms[i] + 999) / 1000);
        if (const game_status status = snapshot_stop(run, stop); status != game_status::ok)
            return status;
    }
    return recovering_from_misplaced([&] {
        use_waiting_stop(run);
        while (hand_on_band(run.map, run.sink))
            ;
        return game_status::ok;
    });
}

// The outcome of `step`, or how the scan stopped in it: the one place an outcome thrown from the
// scan's steps (or an image error) is caught.
template <typename step_type>
scan_outcome stopped_or_done(const step_type& step)
{
    try {
        return step();
    } catch (const scan_outcome& stopped) {
        return stopped;
    } catch (const image_error& error) {
        scan_outcome stopped{game_status::ok};
        stopped.error = error;
        return stopped;
    }
}

}  // namespace

// The scan is a pipeline over the walk: at each stop the view's snapshot is taken and the stop
// waits; in the pauses of the bursts that follow, the waiting stop is checked (and a screen
// placed in the map), and then the map's final rows are handed on band by band. A step whose
// snapshot work finds the waiting screen misplaced recovers that screen and is done again; a look
// that finds the map larger than asked stops the walk, and the map's size is sought.
scan_outcome scan_map(game_window window, const map_size& size, const capture_driver& driver,
                      const map_rows_sink& sink, const capture_observer& observer)
{
    scan run{size, driver, window, sink, observer};
    scan_outcome outcome = stopped_or_done([&] {
        game_status status = first_burst(run, [&] {
            prepare_capture(run);
            return false;
        });
        if (status == game_status::ok)
            status = walk_the_map(run);
        return scan_outcome{status};
    });
    if (outcome.status == game_status::map_size_differs && outcome.map_size_index < 0) {
        run.waiting.reset();
        const std::optional<int> x_taps = outcome.x_taps;
        outcome = stopped_or_done([&] {
            const int found = find_map_size(run, x_taps);
            if (map_size_table[static_cast<size_t>(found)].map_pixels == size.map_pixels)
                return scan_outcome{game_status::view_misplaced, true};
            return scan_outcome{game_status::map_size_differs, false, found};
        });
    }
    outcome.size_unchecked = run.size_unchecked;
    return outcome;
}
