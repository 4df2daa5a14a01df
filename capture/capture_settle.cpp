// Snapshots and settling: a stop's view taken, and taken again until it stands
// still, checked, and used; and the looks the size checks take outside the walk.
#include "capture_scan.h"

#include "image_files.h"

#include <algorithm>
#include <stdexcept>

namespace {

bool same_pixels(const client_snapshot& a, const client_snapshot& b)
{
    return a.width == b.width && a.height == b.height && a.rows == b.rows;
}

// The view as it is now, taken into `snapshot`.
void take_snapshot(const capture_driver& driver, game_window window, client_snapshot& snapshot)
{
    const game_status status = driver.grab_client_area(window, snapshot);
    if (status != game_status::ok)
        throw screen_refused{status};
}

}  // namespace

image read_back(const capture_driver& driver, const client_snapshot& snapshot)
{
    const game_status status = driver.write_snapshot_file(snapshot);
    if (status != game_status::ok)
        throw screen_refused{status};
    return load_image(snapshot_file_name);
}

namespace {

// The waiting stop's view once it has settled, from `earlier`, its first snapshot as read back:
// taken again with no key since, the snapshots agree (animation aside) over the stillness asked,
// and a screen fits. Until then the view is taken again; one that does not settle throws
// screen_refused, before any key. A view seen still since `still_since` need not stand still again.
// The stillness asked doubles whenever the game is seen behind its keys, and halves again with
// every view that stood still from its first snapshot: a hitch of the game costs a few screens, not
// the rest of the capture. Snapshots with the same bytes agree without a look; only differing ones
// go through the snapshot file to be compared.
settled settled_view(const waiting_stop& waiting, image earlier, const stitched_map& map,
                     snapshots& taken, const capture_driver& driver, game_window window,
                     capture_clock::duration needed, capture_clock::time_point still_from,
                     void (*idle)())
{
    auto earlier_at = waiting.taken_at;
    std::optional<capture_clock::time_point> misfit_since;  // standing still, but misfitting
    bool kept_up = true;
    for (capture_clock::duration pause = settle_pause;; pause = retake_pause) {
        if (idle)
            idle();
        driver.sleep_until(earlier_at + pause);
        const auto later_at = driver.now();
        take_snapshot(driver, window, taken.retaken);
        const bool unchanged = same_pixels(taken.retaken, taken.latest);
        image later = unchanged ? earlier : read_back(driver, taken.retaken);
        std::swap(taken.latest, taken.retaken);
        if (!unchanged && compare_snapshots(earlier, later) != likeness::same) {
            // The game is still drawing: it is slower than the keys.
            still_from = later_at;
            misfit_since.reset();
            kept_up = false;
            taken.stillness = std::min<capture_clock::duration>(2 * taken.stillness,
                                                                longest_stillness);
            if (later_at - waiting.taken_at >= settle_limit)
                throw screen_refused{game_status::view_unsettled};
        } else if (later_at - still_from >= std::max(needed, taken.stillness)) {
            if (fits_the_map(map, waiting, later)) {
                if (kept_up)
                    taken.stillness = std::max<capture_clock::duration>(taken.stillness / 2,
                                                                        settle_pause);
                return {std::move(later), still_from};
            }
            // Standing still where the keys should not have left it: the game missed a key, or
            // has not begun to draw.
            if (!misfit_since)
                misfit_since = still_from;
            if (later_at - *misfit_since >= misfit_limit ||
                later_at - waiting.taken_at >= settle_limit)
                throw screen_refused{game_status::view_misplaced};
        }
        earlier = std::move(later);
        earlier_at = later_at;
    }
}

}  // namespace

// Takes the view's snapshot for the waiting stop (again, after a recovery), noting when.
game_status snapshot_waiting_stop(scan& run)
{
    const auto taken_at = run.driver.now();
    const game_status status = run.driver.grab_client_area(run.window, run.taken.latest);
    if (status == game_status::ok)
        run.waiting->taken_at = taken_at;
    return status;
}

// The view's snapshot at the stop, as the stop waiting to be used. The stop before it was
// used in the pauses of the bursts that led here, before any of their keys.
game_status snapshot_stop(scan& run, const walk_stop& stop)
{
    if (run.waiting)
        throw std::logic_error("a stop was left unchecked before the keys that followed");
    const bool screen = stop.kind == stop_kind::screen;
    run.waiting = waiting_stop{stop, screen ? canvas_offset(run.size, stop.x) : 0,
                               screen ? canvas_offset(run.size, stop.y) : 0, {}};
    if (screen && stop.first_in_row)
        run.map.area.start_row(run.waiting->top_px + view_tile_pixels);
    return snapshot_waiting_stop(run);
}

// Settles the waiting stop's view, checks it, and places a screen in the map. The view is the
// reference for the stops after it.
void use_waiting_stop(scan& run)
{
    if (!run.waiting)
        return;
    const waiting_stop& waiting = *run.waiting;
    prepare_capture(run.map, run.taken, run.driver, run.window);
    // A view with nothing before it to be checked against must stand still for longer.
    const bool first = !run.reference ||
                       (waiting.stop.kind == stop_kind::screen && run.map.last_tile.is_empty());
    const capture_clock::duration needed =
        first ? capture_clock::duration(settle_pause + retake_pause) : run.taken.stillness;
    // The view where the view settled last was, and still the same: it has stood since.
    auto still_from = waiting.taken_at;
    image first_snapshot = read_back(run.driver, run.taken.latest);
    const std::optional<tap_shift> expected = expected_shift(run, waiting.stop);
    if (expected && *expected == tap_shift{0, 0} &&
        compare_snapshots(run.reference->view.snapshot, first_snapshot) == likeness::same)
        still_from = run.reference->view.still_since;
    settled view = settled_view(waiting, std::move(first_snapshot), run.map, run.taken,
                                run.driver, run.window, needed, still_from, run.observer.idle);
    check_against_reference(run, waiting.stop, view.snapshot);
    if (waiting.stop.kind == stop_kind::screen)
        place_screen(run.map, waiting, view.snapshot);
    run.reference = seen_view{std::move(view), waiting.stop.x, waiting.stop.y,
                              waiting.stop.kind == stop_kind::look};
    run.waiting.reset();
}

// One piece of the work done in a burst's pauses; false once nothing is left. The waiting
// stop comes first: one that does not fit must stop the walk before another key goes out.
bool work_in_pause(scan& run)
{
    if (run.observer.idle)
        run.observer.idle();
    if (run.waiting) {
        use_waiting_stop(run);
        return true;
    }
    return hand_on_band(run.map, run.sink);
}

// Sends the view `dx`, `dy` taps on and returns its snapshot once it has settled.
image look_after(scan& run, int dx, int dy)
{
    const game_status status = run.driver.scroll_map_view(run.window, dx, dy, {}, true);
    if (status != game_status::ok)
        throw screen_refused{status, true};
    const waiting_stop look{{{}, 0, 0, false, false, stop_kind::look}, 0, 0, run.driver.now()};
    take_snapshot(run.driver, run.window, run.taken.latest);
    return settled_view(look, read_back(run.driver, run.taken.latest), run.map, run.taken,
                        run.driver, run.window, run.taken.stillness, look.taken_at,
                        run.observer.idle)
        .snapshot;
}
