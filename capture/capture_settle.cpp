// A stop's view taken as the walk reaches it, and used in the pauses of the bursts after it:
// settled, checked against the view before it, and placed in the map when it is a screen.
#include "capture_settle.h"

#include "capture_look.h"
#include "capture_pace.h"
#include "capture_size_proof.h"
#include "capture_stitch.h"

#include <stdexcept>

// Takes the view's snapshot for the waiting stop (again, after a recovery), noting when.
game_status snapshot_waiting_stop(scan& run)
{
    const auto taken_at = run.driver.now();
    const game_status status = run.driver.take_client_snapshot(run.window, run.taken.latest);
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
    prepare_capture(run);
    // A view with nothing before it to be checked against must stand still for longer.
    const capture_clock::duration needed =
        run.reference ? capture_clock::duration(settle_pause)
                      : capture_clock::duration(settle_pause + retake_pause);
    std::optional<expectation> expected;
    if (const std::optional<tap_shift> shift = expected_shift(run, waiting.stop))
        expected.emplace(expectation{run.reference->view.snapshot_image, *shift});
    settled view = settled_view(run, waiting, read_back(run.driver, run.taken.latest), needed,
                                waiting.taken_at, expected,
                                run.reference ? &run.reference->view.snapshot_image : nullptr);
    check_against_reference(run, waiting.stop, view);
    const bool look = waiting.stop.kind == stop_kind::look;
    if (!look)
        place_screen(run.map, waiting, view.snapshot_image);
    run.reference = seen_view{std::move(view), waiting.stop.x, waiting.stop.y, look};
    if (waiting.stop.last_in_row)
        run.row_end = run.reference;
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
