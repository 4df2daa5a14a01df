// Views taken until they have settled: a stop's snapshots compared until they agree, and the
// looks the size proof takes outside the walk.
#include "capture_look.h"

#include "capture_stitch.h"
#include "image_files.h"

#include <algorithm>

namespace {

bool same_pixels(const client_snapshot& a, const client_snapshot& b)
{
    return a.width == b.width && a.height == b.height && a.rows == b.rows;
}

// The view as it is now, taken into `snapshot`.
void take_snapshot(const capture_driver& driver, game_window window, client_snapshot& snapshot)
{
    const game_status status = driver.take_client_snapshot(window, snapshot);
    if (status != game_status::ok)
        stop_scan({status});
}

}  // namespace

image read_back(const capture_driver& driver, const client_snapshot& snapshot)
{
    const game_status status = driver.write_snapshot_file(snapshot);
    if (status != game_status::ok)
        stop_scan({status});
    return load_image(snapshot_file_name);
}

// Taken again with no key since, the snapshots agree (animation aside) over the stillness asked,
// and a screen fits. Until then the view is taken again; one that does not settle stops the scan,
// before any key. A view seen still since `still_from` need not stand still again.
// The stillness asked doubles whenever the game is seen behind its keys, and halves again with
// every view that stood still from its first snapshot: a hitch of the game costs a few screens, not
// the rest of the capture. Snapshots with the same bytes agree without a look; only differing ones
// go through the snapshot file to be compared.
settled settled_view(scan& run, const waiting_stop& waiting, image earlier,
                     capture_clock::duration needed, capture_clock::time_point still_from)
{
    const capture_driver& driver = run.driver;
    snapshots& taken = run.taken;
    auto earlier_at = waiting.taken_at;
    std::optional<capture_clock::time_point> misfit_since;  // standing still, but misfitting
    bool kept_up = true;
    for (capture_clock::duration pause = settle_pause;; pause = retake_pause) {
        if (run.observer.idle)
            run.observer.idle();
        driver.sleep_until(earlier_at + pause);
        const auto later_at = driver.now();
        take_snapshot(driver, run.window, taken.retaken);
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
                stop_scan({game_status::view_unsettled});
        } else if (later_at - still_from >= std::max(needed, taken.stillness)) {
            if (fits_the_map(run.map, waiting, later)) {
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
                stop_scan({game_status::view_misplaced});
        }
        earlier = std::move(later);
        earlier_at = later_at;
    }
}

image look_after(scan& run, int dx, int dy)
{
    const game_status status = run.driver.scroll_map_view(run.window, dx, dy, {}, true);
    if (status != game_status::ok)
        stop_scan({status, true});
    const waiting_stop look{{{}, 0, 0, false, false, stop_kind::look}, 0, 0, run.driver.now()};
    take_snapshot(run.driver, run.window, run.taken.latest);
    return settled_view(run, look, read_back(run.driver, run.taken.latest), run.taken.stillness,
                        look.taken_at)
        .snapshot_image;
}
