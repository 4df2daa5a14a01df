// The map's size: the corner and the far edge proved by looks, a smaller map told from a missed
// key by a view standing at a scroll limit, and a larger map's size found by walking on.
#include "capture_size_proof.h"

#include "capture_look.h"
#include "image_files.h"

#include <cstdlib>

namespace {

// The size whose map has its right and bottom scroll limits `taps` from the left and top ones.
std::optional<int> size_with_limit(int taps)
{
    for (size_t i = 0; i < map_size_table.size(); ++i)
        if (map_size_table[i].traverse_taps == taps)
            return static_cast<int>(i);
    return std::nullopt;
}

// The view stands at a scroll limit `limit_taps` from the left (or top) one: the map is of the
// size whose limit that is, or of none of the sizes; -1 where the limit could not be measured.
// A limit nearer than the smallest map's is no map's edge: the game stopped scrolling.
[[noreturn]] void stop_at_limit(int limit_taps)
{
    if (limit_taps < map_size_table.front().traverse_taps)
        stop_scan({game_status::view_misplaced, true});
    if (const std::optional<int> size = size_with_limit(limit_taps))
        stop_scan({game_status::map_size_differs, false, *size});
    stop_scan({game_status::map_size_unusual, true, -1, limit_taps});
}

}  // namespace

// How far the walk moved the view from the view settled last, where that is to be checked: to a
// screen from a look, while the two can show land in common (a screen after a screen is checked
// against the map; a look that proves something, by the way it moved).
std::optional<tap_shift> expected_shift(const scan& run, const walk_stop& stop)
{
    if (!run.reference || stop.kind == stop_kind::look || !run.reference->look)
        return std::nullopt;
    const tap_shift shift{stop.x - run.reference->x_taps, stop.y - run.reference->y_taps};
    constexpr int tile_taps = view_tile_pixels / tap_pixels;
    if (std::abs(shift.dx) >= tile_taps || std::abs(shift.dy) >= tile_taps)
        return std::nullopt;
    return shift;
}

namespace {

// The far edge: the game has handled every tap (the view moved back by the last), so the view
// stood where the taps past the limit left it, one tap right of where it stands now, measured
// from the last screen of the row. Where a map of the size asked for has its limit, the size is
// proved; further right, the map is larger; short of it, the view stood at a nearer limit: the
// map is of the size whose limit that is, or of none. A view whose land shows nothing proves
// nothing: the scan goes on, the size unchecked.
void check_far_edge(scan& run, const walk_stop& stop, const settled& view)
{
    const std::optional<tap_shift> seen =
        view.where == standing::proved
            ? find_view_shift(run.row_end->view.snapshot_image, view.snapshot_image)
            : std::nullopt;
    if (!seen) {
        run.size_unchecked = true;
        return;
    }
    if (seen->dy != 0)
        stop_scan({game_status::view_misplaced});
    const int now_at = run.row_end->x_taps + seen->dx;
    if (now_at == stop.x)
        return;
    if (now_at > stop.x)
        stop_scan({game_status::map_size_differs, false, -1, now_at});
    stop_at_limit(now_at + 1);
}

}  // namespace

// The view of `stop` against the view settled last. A corner that moved: the first burst did
// not reach the top-left limit (the look before it had caught up with the keys), so the map is
// larger. The far edge, as `check_far_edge` says. Any other stop elsewhere: a tap the game
// missed. A corner with too little to see proves nothing: the scan goes on, the size unchecked.
void check_against_reference(scan& run, const walk_stop& stop, const settled& view)
{
    if (stop.proves == stop_proof::far_edge) {
        check_far_edge(run, stop, view);
        return;
    }
    const std::optional<tap_shift> expected = expected_shift(run, stop);
    if (!expected || view.where == standing::proved)
        return;
    const std::optional<tap_shift> seen =
        find_view_shift(run.reference->view.snapshot_image, view.snapshot_image);
    if (!seen) {
        run.size_unchecked |= stop.proves != stop_proof::nothing;
        return;
    }
    if (*seen == *expected)
        return;
    if (stop.proves == stop_proof::corner)
        stop_scan({game_status::map_size_differs});
    stop_scan({game_status::view_misplaced});
}

// A screen that did not fit, with its view short of its stop: when a tap further on does not
// move the view and a tap back does, it stands at a scroll limit, and the map ends there: the
// scan stops with the map's size, or with the limit no size has. Returns when the view can still
// move on (the game missed a tap), when the game does not answer at all (it hangs for a moment),
// or where the view stands cannot be told.
void check_for_limit(scan& run)
{
    const waiting_stop waiting = *run.waiting;
    if (waiting.stop.kind != stop_kind::screen)
        return;
    const image misfit = read_back(run.driver, run.taken.latest);
    const std::optional<tap_shift> short_by = find_seam_shift(
        run.map.canvas, misfit, waiting.left_px, waiting.top_px, run.map.area, run.map.map);
    if (!short_by || (short_by->dx >= 0 && short_by->dy >= 0))
        return;
    const bool across = short_by->dx < 0;
    if (stands_at_limit(run, misfit, across ? 1 : 0, across ? 0 : 1))
        stop_at_limit(across ? waiting.stop.x + short_by->dx : waiting.stop.y + short_by->dy);
}

// Taps from one look to the next while the map's size is sought: the two still share a tap's
// width of land, enough to tell how far the view moved.
constexpr int seeking_step_taps = view_tile_pixels / tap_pixels - 1;

// The map is larger than the size asked for: the view is walked right from `x_taps` (from the
// left limit, sent there first, where that is not known), looked at after every few taps, until
// it stops at the right limit; where that is gives the map's size.
int find_map_size(scan& run, std::optional<int> x_taps)
{
    const int largest_limit = map_size_table.back().traverse_taps;
    int x = x_taps.value_or(1);
    image before = x_taps ? read_back(run.driver, run.taken.latest)
                          : caught_up_look(run, look_after(run, -(largest_limit + 2), 0), 1);
    for (;;) {
        image after = look_after(run, seeking_step_taps, 0,
                                 expectation{before, {seeking_step_taps, 0}});
        const std::optional<tap_shift> moved = find_view_shift(before, after);
        if (!moved || moved->dy != 0 || moved->dx < 0)
            stop_scan({game_status::view_misplaced, true});
        // A view short of the step stands at the right limit, or the game did not answer.
        if (moved->dx < seeking_step_taps && !stands_at_limit(run, after, 1, 0))
            stop_scan({game_status::view_misplaced, true});
        x += moved->dx;
        if (x > largest_limit)
            stop_at_limit(x);
        if (moved->dx < seeking_step_taps) {
            if (const std::optional<int> size = size_with_limit(x))
                return *size;
            stop_at_limit(x);
        }
        before = std::move(after);
    }
}
