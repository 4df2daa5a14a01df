// Views taken until they can be used: a stop's snapshots compared until the view is proved where
// the keys put it (or the game has had its time), and the looks the size proof takes outside the
// walk.
#include "capture_look.h"

#include "capture_pace.h"
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

// The way the last tap of a stop that shows the game caught up goes: +1 right, -1 left; 0 for
// any other stop.
int marker_way(const walk_stop& stop)
{
    if (!stop.shows_caught_up || stop.bursts.empty())
        return 0;
    return stop.bursts.back().first > 0 ? 1 : -1;
}

// Whether the view moved `way` (right for +1, left for -1) from `earlier` to `later`.
bool went_that_way(int way, const image& earlier, const image& later)
{
    const std::optional<tap_shift> moved = find_view_shift(earlier, later);
    return moved && moved->dx * way > 0;
}

// Where the view of `view` stands: against the screens it shares land with, and against the view
// it is expected to have moved from. The look after the tap right that shows the game caught up
// is proved once the view has been seen to move right.
standing where_it_stands(const scan& run, const waiting_stop& waiting, const image& view,
                         const std::optional<expectation>& expected, bool moved_the_way)
{
    if (waiting.stop.shows_caught_up)
        return moved_the_way            ? standing::proved
               : shows_features(view) ? standing::elsewhere
                                      : standing::unproved;
    standing by_shift = standing::unproved;
    if (expected) {
        const std::optional<tap_shift> seen = find_view_shift(expected->from, view);
        if (seen)
            by_shift = *seen == expected->shift ? standing::proved : standing::elsewhere;
    }
    if (waiting.stop.kind == stop_kind::look)
        return by_shift;
    const standing placed = placement_of(run.map, waiting, view);
    if (placed == standing::elsewhere || by_shift == standing::elsewhere)
        return standing::elsewhere;
    if (placed == standing::proved || by_shift == standing::proved)
        return standing::proved;
    return standing::unproved;
}

}  // namespace

image read_back(const capture_driver& driver, const client_snapshot& snapshot)
{
    const game_status status = driver.write_snapshot_file(snapshot);
    if (status != game_status::ok)
        stop_scan({status});
    return load_image(snapshot_file_name);
}

namespace {

// What the snapshots of a waiting stop have shown so far: the latest as read back, when the view
// last changed (and began to change without a rest), the snapshot before that change, since
// when a screen stands still elsewhere, whether the view moved the way a stop's last tap went,
// and where the latest stands, once judged (the same bytes stand the same way).
struct watched_view {
    image latest;
    capture_clock::time_point latest_at, changed_at, changing_since;
    std::optional<capture_clock::time_point> unchanged_before, elsewhere_since;
    bool moved_the_way = false;
    std::optional<standing> where;
};

// Takes the view again and notes how it changed; stops the scan when it keeps changing for
// `settle_limit` past the time the game was given for its taps. True when it changed.
bool take_again(scan& run, watched_view& seen, int way)
{
    const capture_driver& driver = run.driver;
    snapshots& taken = run.taken;
    const auto later_at = driver.now();
    take_snapshot(driver, run.window, taken.retaken);
    const bool unchanged = same_pixels(taken.retaken, taken.latest);
    image later = unchanged ? seen.latest : read_back(driver, taken.retaken);
    std::swap(taken.latest, taken.retaken);
    if (!unchanged)
        seen.where.reset();
    const bool changed = !unchanged && compare_snapshots(seen.latest, later) != likeness::same;
    if (changed) {
        // The game is still drawing: it is behind its keys. A view that changes again after it
        // stood still for longer than two frames take began to change anew.
        if (later_at - seen.changed_at > 2 * frame_time(run) + sample_pause)
            seen.changing_since = later_at;
        seen.unchanged_before = seen.latest_at;
        seen.changed_at = later_at;
        seen.elsewhere_since.reset();
        seen.moved_the_way = seen.moved_the_way || (way && went_that_way(way, seen.latest, later));
        if (later_at - std::max(seen.changing_since, run.pace.done_by) >= settle_limit)
            stop_scan({game_status::view_unsettled});
    }
    seen.latest = std::move(later);
    seen.latest_at = later_at;
    return changed;
}

// Whether the view, standing still, can be used now. Proved: at once. A view nothing proves, a
// look (its caller judges its place) and the first screen (it proves the corner): once the game
// has had its measured time for every tap and the view has stood still for `needed` and two of
// the game's frames; but a look after a tap that shows the game caught up only once it has moved
// that way, for at most `slowest_tap` a tap sent and `settle_limit` more. A screen standing still
// elsewhere than the walk asked after that long is given `misfit_limit` to change (the game
// missed a key, or hangs), and stops the scan then. A look that nothing judges is only the view
// before a tap that shows the game caught up: any snapshot of it will do.
bool usable(scan& run, const waiting_stop& waiting, watched_view& seen,
            capture_clock::duration needed, const std::optional<expectation>& expected)
{
    const walk_stop& stop = waiting.stop;
    if (!seen.where)
        seen.where = where_it_stands(run, waiting, seen.latest, expected, seen.moved_the_way);
    if (seen.where == standing::proved) {
        note_caught_up(run, seen.unchanged_before, seen.latest_at);
        return true;
    }
    const bool judged = expected || stop.shows_caught_up || stop.kind == stop_kind::screen ||
                        stop.proves != stop_proof::nothing;
    const bool due = !judged || (seen.latest_at >= run.pace.done_by &&
                                 seen.latest_at - seen.changed_at >=
                                     std::max(needed, 2 * frame_time(run)));
    if (stop.shows_caught_up) {
        if (seen.latest_at - waiting.taken_at >= run.pace.taps * slowest_tap + settle_limit)
            stop_scan({game_status::view_unsettled});
        return due && seen.where == standing::unproved;
    }
    if (due && (seen.where == standing::unproved || stop.kind == stop_kind::look ||
                stop.proves == stop_proof::corner))
        return true;
    if (due) {
        seen.elsewhere_since = seen.elsewhere_since.value_or(seen.latest_at);
        if (seen.latest_at - *seen.elsewhere_since >= misfit_limit)
            stop_scan({game_status::view_misplaced});
    }
    return false;
}

}  // namespace

// Taken again with no key since, until two snapshots in a row agree (animation aside) and the view
// can be used (`usable`): proved where the walk asked, the game has handled every key, whatever
// its frames cost. Snapshots with the same bytes agree without a look; only differing ones go
// through the snapshot file to be compared.
settled settled_view(scan& run, const waiting_stop& waiting, image earlier,
                     capture_clock::duration needed, capture_clock::time_point still_from,
                     const std::optional<expectation>& expected, const image* before)
{
    const int way = marker_way(waiting.stop);
    watched_view seen{std::move(earlier), waiting.taken_at, still_from, waiting.taken_at};
    seen.moved_the_way = way && before && went_that_way(way, *before, seen.latest);
    for (capture_clock::duration pause = settle_pause;;) {
        if (run.observer.idle)
            run.observer.idle();
        run.driver.sleep_until(seen.latest_at + pause);
        // A view that just changed is taken again at once: the frame it shows may be the one the
        // keys lead to, and a second snapshot of it is all that is missing.
        const bool changed = take_again(run, seen, way);
        if (!changed && usable(run, waiting, seen, needed, expected))
            return {std::move(seen.latest), seen.changed_at, *seen.where};
        pause = changed ? capture_clock::duration(confirm_pause) : capture_clock::duration(sample_pause);
    }
}

namespace {

image look(scan& run, const walk_stop& stop, const std::optional<expectation>& expected,
           const image* before)
{
    for (const auto& [dx, dy] : stop.bursts) {
        const game_status status = send_burst(run, dx, dy);
        if (status != game_status::ok)
            stop_scan({status, true});
    }
    const waiting_stop waiting{stop, 0, 0, run.driver.now()};
    take_snapshot(run.driver, run.window, run.taken.latest);
    return settled_view(run, waiting, read_back(run.driver, run.taken.latest), settle_pause,
                        waiting.taken_at, expected, before)
        .snapshot_image;
}

}  // namespace

image look_after(scan& run, int dx, int dy, const std::optional<expectation>& expected)
{
    return look(run, {{{dx, dy}}, 0, 0, false, false, stop_kind::look}, expected, nullptr);
}

image caught_up_look(scan& run, const image& before, int dx)
{
    walk_stop stop{{{dx, 0}}, 0, 0, false, false, stop_kind::look};
    stop.shows_caught_up = true;
    return look(run, stop, std::nullopt, &before);
}

bool stands_at_limit(scan& run, const image& at, int dx, int dy)
{
    const game_status status = send_burst(run, dx, dy);
    if (status != game_status::ok)
        stop_scan({status, true});
    const tap_shift back{-dx, -dy};
    const image after = look_after(run, -dx, -dy, expectation{at, back});
    const std::optional<tap_shift> moved = find_view_shift(at, after);
    return moved && *moved == back;
}
