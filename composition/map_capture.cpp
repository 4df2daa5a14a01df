#include "map_capture.h"

#include "image_files.h"
#include "map_stitching.h"
#include "safe_files.h"
#include "view_check.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace {

void sleep_until_time(std::chrono::steady_clock::time_point moment)
{
    std::this_thread::sleep_until(moment);
}

}  // namespace

const capture_driver game_driver{scroll_map_view, grab_client_area, write_snapshot_file,
                                 std::chrono::steady_clock::now, sleep_until_time};

namespace {

// At most this many times a capture goes back to the top-left limit to find its place again: a
// tap that the game missed now and then is recovered, while a game that does not scroll fails at
// once again (and each recovery costs a walk of up to 7 seconds from the limit and back).
constexpr int most_recoveries = 3;

// Thrown by the picture work when a view cannot be used: it is not where the walk asked, it never
// settled, or its snapshot could not be taken or written. A `final` refusal is one that going
// back to the top-left limit would only meet again: the view stands at a scroll limit.
struct screen_refused {
    game_status status;
    bool final = false;
};

// Thrown when a look shows the view past a limit that a map of the size asked for has: the map
// is larger. `x_taps`: where the view stands from the left limit, when that is known.
struct map_larger {
    std::optional<int> x_taps;
};

// Thrown once the map's real size is known, and it is not the size asked for.
struct map_size_found {
    int size_index;
};

// The size whose map has its right and bottom scroll limits `taps` from the left and top ones.
std::optional<int> size_with_limit(int taps)
{
    for (size_t i = 0; i < map_size_table.size(); ++i)
        if (map_size_table[i].traverse_taps == taps)
            return static_cast<int>(i);
    return std::nullopt;
}

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
game_status first_burst(game_window window, const map_size_row& size,
                        const capture_driver& driver, const capture_observer& observer,
                        const pause_work& work)
{
    const int limit = size.traverse_taps;
    game_status status = driver.scroll_map_view(window, -limit, -limit, work, false);
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
        status = driver.scroll_map_view(window, -limit, -limit, {}, false);
    }
    if (observer.waiting && told != game_status::ok)
        observer.waiting(game_status::ok);
    return status;
}

using capture_clock = std::chrono::steady_clock;

// A stop photographed and not yet used: where its view tile goes in the canvas, in pixels, and
// when it was photographed.
struct waiting_stop {
    walk_stop stop;
    int left_px, top_px;
    capture_clock::time_point taken_at;
};

// The map as stitched so far, in canvas pixels throughout: the canvas, the part of it that the
// screens placed have photographed, the view tile placed last, and how many of the map's rows
// no later screen changes, and how many of those were handed on.
struct stitched_map {
    const map_size_row& size;
    image canvas;  // allocated in the first burst's pause: a few megabytes to clear
    int origin = map_origin(size);
    canvas_rect map{origin, origin, origin + size.map_pixels, origin + size.map_pixels};
    photographed_area area;
    image last_tile;
    int rows_final = 0;
    int rows_handed_on = 0;
};

// What the capture keeps of its photographs from one stop to the next: the memory they go to,
// and how long the photographs of a view must agree, longer while the game is seen catching up.
struct photographs {
    client_picture latest;   // of the stop waiting, its latest photograph
    client_picture retaken;  // a photograph taken again, to compare with `latest`
    capture_clock::duration stillness = settle_pause;
};

// A view that has settled, and since when it stood still.
struct settled {
    image snapshot;
    capture_clock::time_point still_since;
};

// The view settled last, screen or look, and where the walk had it: a look is compared with it,
// and so is a screen that follows a look.
struct seen_view {
    settled view;
    int x_taps, y_taps;
    bool look;
};

// Work done before the first key of a capture, in the first burst's pause: the canvas cleared,
// and the photographs' memory and the grabbing path set up by a photograph that is thrown away,
// so that neither costs time once the keys go; a window that cannot be photographed stops the
// capture there.
void prepare_capture(stitched_map& map, photographs& shots, const capture_driver& driver,
                     game_window window)
{
    if (map.canvas.is_empty())
        map.canvas.assign(canvas_pixels(map.size), canvas_pixels(map.size), 1, 3, 0);
    if (!shots.latest.rows.empty())
        return;
    // A window whose picture shows nothing of the game is refused before any key.
    const game_status status = driver.grab_client_area(window, shots.latest);
    if (status == game_status::picture_failed)
        throw screen_refused{status};
    if (status == game_status::ok)
        shots.retaken = shots.latest;
}

// The view as it is now, photographed into `shot`.
void photograph(const capture_driver& driver, game_window window, client_picture& shot)
{
    const game_status status = driver.grab_client_area(window, shot);
    if (status != game_status::ok)
        throw screen_refused{status};
}

// `shot` as the snapshot file, and back as the capture reads it.
image read_back(const capture_driver& driver, const client_picture& shot)
{
    const game_status status = driver.write_snapshot_file(shot);
    if (status != game_status::ok)
        throw screen_refused{status};
    return load_image(snapshot_file_name);
}

bool same_pixels(const client_picture& a, const client_picture& b)
{
    return a.width == b.width && a.height == b.height && a.rows == b.rows;
}

image view_tile_of(const image& snapshot)
{
    return snapshot.get_crop(view_tile_left, view_tile_top, view_tile_left + view_tile_pixels - 1,
                             view_tile_top + view_tile_pixels - 1);
}

// Whether a screen's view tile is the one placed last, to the pixel, though the keys moved the
// view by at least a tap: the game has not drawn the new view (yet). A tile of one colour
// (unexplored land) looks the same anywhere and tells nothing.
bool same_as_last(const stitched_map& map, const image& tile)
{
    if (map.last_tile.is_empty() || !(tile == map.last_tile))
        return false;
    for (int c = 0; c < tile.spectrum(); ++c) {
        const unsigned char* channel = tile.data(0, 0, 0, c);
        const size_t size = static_cast<size_t>(tile.width()) * tile.height();
        if (std::any_of(channel, channel + size, [&](unsigned char v) { return v != *channel; }))
            return true;
    }
    return false;
}

// Whether a screen's view has changed since the screen placed last and fits the screens it
// overlaps. A look is not placed: it always fits.
bool fits(const stitched_map& map, const waiting_stop& waiting, const image& snapshot)
{
    return waiting.stop.kind == stop_kind::look ||
           (!same_as_last(map, view_tile_of(snapshot)) &&
            compare_seam(map.canvas, snapshot, waiting.left_px, waiting.top_px, map.area,
                         map.map) == likeness::same);
}

// The waiting stop's view once it has settled: photographed again with no key since, the
// photographs agree (animation aside) over the stillness asked, and a screen fits. Until then
// the view is photographed again; one that does not settle throws screen_refused, before any
// key. A view seen still since `still_since` need not stand still again. The stillness asked
// doubles whenever the game is seen behind its keys, and halves again with every view that
// stood still from its first photograph: a hitch of the game costs a few screens, not the rest
// of the capture. Photographs with the same bytes agree without a look; only differing ones go
// through the snapshot file to be compared.
settled settled_view(const waiting_stop& waiting, const stitched_map& map, photographs& shots,
                   const capture_driver& driver, game_window window,
                   capture_clock::duration needed, capture_clock::time_point still_from,
                   void (*idle)())
{
    image earlier = read_back(driver, shots.latest);
    auto earlier_at = waiting.taken_at;
    std::optional<capture_clock::time_point> misfit_since;  // standing still, but misfitting
    bool kept_up = true;
    for (capture_clock::duration pause = settle_pause;; pause = retake_pause) {
        if (idle)
            idle();
        driver.sleep_until(earlier_at + pause);
        const auto later_at = driver.now();
        photograph(driver, window, shots.retaken);
        const bool unchanged = same_pixels(shots.retaken, shots.latest);
        image later = unchanged ? earlier : read_back(driver, shots.retaken);
        std::swap(shots.latest, shots.retaken);
        if (!unchanged && compare_snapshots(earlier, later) != likeness::same) {
            // The game is still drawing: it is slower than the keys.
            still_from = later_at;
            misfit_since.reset();
            kept_up = false;
            shots.stillness = std::min<capture_clock::duration>(2 * shots.stillness,
                                                                longest_stillness);
            if (later_at - waiting.taken_at >= settle_limit)
                throw screen_refused{game_status::view_unsettled};
        } else if (later_at - still_from >= std::max(needed, shots.stillness)) {
            if (fits(map, waiting, later)) {
                if (kept_up)
                    shots.stillness = std::max<capture_clock::duration>(shots.stillness / 2,
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

void place_screen(stitched_map& map, const waiting_stop& waiting, const image& snapshot)
{
    map.last_tile = view_tile_of(snapshot);
    place_view_tile(map.canvas, snapshot, waiting.left_px, waiting.top_px, map.area);
    map.area.add_tile(waiting.left_px, view_tile_pixels);
    if (waiting.stop.last_in_row)
        map.rows_final = std::clamp(map.area.row_end - map.origin, 0, map.size.map_pixels);
}

// Rows a band holds: two JPEG blocks' worth, a millisecond or two of work.
constexpr int band_rows = 16;

// Hands on the next band of final rows, if there is one; false once none is left.
bool hand_on_band(stitched_map& map, const map_rows_sink& sink)
{
    if (map.rows_handed_on >= map.rows_final)
        return false;
    const int first = map.rows_handed_on;
    const int last = std::min(first + band_rows, map.rows_final) - 1;
    image band = map.canvas.get_crop(map.origin, map.origin + first,
                                     map.origin + map.size.map_pixels - 1, map.origin + last);
    map.rows_handed_on = last + 1;
    sink(band, first);
    return map.rows_handed_on < map.rows_final;
}

// A scan under way: what it works with, and what it owns, each changed by the steps below only:
// the map stitched so far, the photographs, the stop waiting to be used and the view settled
// last.
struct scan {
    const map_size_row& size;
    const capture_driver& driver;
    const game_window window;
    const map_rows_sink& sink;
    const capture_observer& observer;
    stitched_map map{size};
    photographs shots;
    std::optional<waiting_stop> waiting;
    std::optional<seen_view> reference;
    int recoveries = 0;
};

// Photographs the view for the waiting stop (again, after a recovery), noting when.
game_status photograph_waiting(scan& run)
{
    const auto taken_at = run.driver.now();
    const game_status status = run.driver.grab_client_area(run.window, run.shots.latest);
    if (status == game_status::ok)
        run.waiting->taken_at = taken_at;
    return status;
}

// The view photographed at the stop, as the stop waiting to be used. The stop before it was
// used in the pauses of the bursts that led here, before any of their keys.
game_status photograph_stop(scan& run, const walk_stop& stop)
{
    if (run.waiting)
        throw std::logic_error("a stop was left unchecked before the keys that followed");
    const bool screen = stop.kind == stop_kind::screen;
    run.waiting = waiting_stop{stop, screen ? canvas_offset(run.size, stop.x) : 0,
                               screen ? canvas_offset(run.size, stop.y) : 0, {}};
    if (screen && stop.first_in_row)
        run.map.area.start_row(run.waiting->top_px + view_tile_pixels);
    return photograph_waiting(run);
}

// How far the walk moved the view from the view settled last, where that is to be checked: from
// a look, or to one, while the two can show land in common.
std::optional<tap_shift> expected_shift(const scan& run, const walk_stop& stop)
{
    if (!run.reference || (stop.kind == stop_kind::screen && !run.reference->look))
        return std::nullopt;
    const tap_shift shift{stop.x - run.reference->x_taps, stop.y - run.reference->y_taps};
    constexpr int tile_taps = view_tile_pixels / tap_pixels;
    if (std::abs(shift.dx) >= tile_taps || std::abs(shift.dy) >= tile_taps)
        return std::nullopt;
    return shift;
}

// The view of `stop` against the view settled last. A corner that moved: the first burst did
// not reach the top-left limit, so the map is larger. A far edge elsewhere than the size's
// limit: past it, the map is larger; short of it, the view stands at a limit of a smaller map,
// or at none a map of any size has. Any other stop elsewhere: a tap the game missed.
void check_against_reference(const scan& run, const walk_stop& stop, const image& snapshot)
{
    const std::optional<tap_shift> expected = expected_shift(run, stop);
    if (!expected)
        return;
    const std::optional<tap_shift> seen =
        find_view_shift(run.reference->view.snapshot, snapshot);
    if (!seen || *seen == *expected)
        return;
    if (stop.proves == stop_proof::corner)
        throw map_larger{};
    if (stop.proves != stop_proof::far_edge)
        throw screen_refused{game_status::view_misplaced};
    const int x = run.reference->x_taps + seen->dx;
    if (seen->dy == 0 && x > stop.x)
        throw map_larger{x};
    if (const std::optional<int> size = size_with_limit(x); seen->dy == 0 && size)
        throw map_size_found{*size};
    throw screen_refused{game_status::view_misplaced, true};
}

// Settles the waiting stop's view, checks it, and places a screen in the map. The view is the
// reference for the stops after it.
void use_waiting_stop(scan& run)
{
    if (!run.waiting)
        return;
    const waiting_stop& waiting = *run.waiting;
    prepare_capture(run.map, run.shots, run.driver, run.window);
    // A view with nothing before it to be checked against must stand still for longer.
    const bool first = !run.reference ||
                       (waiting.stop.kind == stop_kind::screen && run.map.last_tile.is_empty());
    const capture_clock::duration needed =
        first ? capture_clock::duration(settle_pause + retake_pause) : run.shots.stillness;
    // The view where the view settled last was, and still the same: it has stood since.
    auto still_from = waiting.taken_at;
    const std::optional<tap_shift> expected = expected_shift(run, waiting.stop);
    if (expected && *expected == tap_shift{0, 0} &&
        compare_snapshots(run.reference->view.snapshot,
                          read_back(run.driver, run.shots.latest)) == likeness::same)
        still_from = run.reference->view.still_since;
    settled view = settled_view(waiting, run.map, run.shots, run.driver, run.window, needed,
                                still_from, run.observer.idle);
    check_against_reference(run, waiting.stop, view.snapshot);
    if (waiting.stop.kind == stop_kind::screen)
        place_screen(run.map, waiting, view.snapshot);
    run.reference =
        seen_view{std::move(view), waiting.stop.x, waiting.stop.y, waiting.stop.kind == stop_kind::look};
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

// Sends the view `dx`, `dy` taps on and returns its picture once it has settled.
image look_after(scan& run, int dx, int dy)
{
    const game_status status = run.driver.scroll_map_view(run.window, dx, dy, {}, true);
    if (status != game_status::ok)
        throw screen_refused{status, true};
    const waiting_stop look{{{}, 0, 0, false, false, stop_kind::look}, 0, 0, run.driver.now()};
    photograph(run.driver, run.window, run.shots.latest);
    return settled_view(look, run.map, run.shots, run.driver, run.window, run.shots.stillness,
                        look.taken_at, run.observer.idle)
        .snapshot;
}

// A screen that did not fit, with its view short of its stop: when a tap further on does not
// move the view, it stands at a scroll limit, and the map ends there. Throws the map's size
// when a map of some size has its limit there, else a final refusal. Returns when the view can
// still move on (the game missed a tap) or where it stands cannot be told.
void check_for_limit(scan& run)
{
    const waiting_stop waiting = *run.waiting;
    if (waiting.stop.kind != stop_kind::screen)
        return;
    const image misfit = read_back(run.driver, run.shots.latest);
    const std::optional<tap_shift> short_by = find_seam_shift(
        run.map.canvas, misfit, waiting.left_px, waiting.top_px, run.map.area, run.map.map);
    if (!short_by || (short_by->dx >= 0 && short_by->dy >= 0))
        return;
    const bool across = short_by->dx < 0;
    const std::optional<tap_shift> moved =
        find_view_shift(misfit, look_after(run, across ? 1 : 0, across ? 0 : 1));
    if (!moved || !(*moved == tap_shift{0, 0}))
        return;
    const int limit = across ? waiting.stop.x + short_by->dx : waiting.stop.y + short_by->dy;
    if (const std::optional<int> size = size_with_limit(limit))
        throw map_size_found{*size};
    throw screen_refused{game_status::view_misplaced, true};
}

// The top-left limit is the one place the view is known to reach from anywhere: from there
// straight to the stop (`x_taps`, `y_taps`) of the screen that did not fit, photographed and
// checked again. A screen that still does not fit throws again.
game_status recover(scan& run, int x_taps, int y_taps)
{
    ++run.recoveries;
    if (run.observer.recovering)
        run.observer.recovering();
    const int limit = run.size.traverse_taps;
    game_status status = run.driver.scroll_map_view(run.window, -limit, -limit, {}, true);
    if (status == game_status::ok)
        status = run.driver.scroll_map_view(run.window, x_taps, y_taps, {}, true);
    if (status == game_status::ok)
        status = photograph_waiting(run);
    if (status == game_status::ok)
        use_waiting_stop(run);
    return status;
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
    int x = x_taps.value_or(0);
    image before = x_taps ? read_back(run.driver, run.shots.latest)
                          : look_after(run, -(largest_limit + 1), 0);
    for (;;) {
        image after = look_after(run, seeking_step_taps, 0);
        const std::optional<tap_shift> moved = find_view_shift(before, after);
        if (!moved || moved->dy != 0 || moved->dx < 0 || x + moved->dx > largest_limit)
            throw screen_refused{game_status::view_misplaced, true};
        x += moved->dx;
        if (moved->dx < seeking_step_taps) {
            if (const std::optional<int> size = size_with_limit(x))
                return *size;
            throw screen_refused{game_status::view_misplaced, true};
        }
        before = std::move(after);
    }
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
            } catch (const screen_refused& refused) {
                if (refused.status != game_status::view_misplaced || refused.final ||
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
                [&] { return run.driver.scroll_map_view(run.window, dx, dy, work, true); });
            if (status != game_status::ok)
                return status;
        }
        x_taps = stop.x;
        y_taps = stop.y;
        if (stop.kind == stop_kind::screen && run.observer.progress)
            run.observer.progress(++screens, walk_screens(run.size), (left_ms[i] + 999) / 1000);
        if (const game_status status = photograph_stop(run, stop); status != game_status::ok)
            return status;
    }
    return recovering_from_misplaced([&] {
        use_waiting_stop(run);
        while (hand_on_band(run.map, run.sink))
            ;
        return game_status::ok;
    });
}

}  // namespace

// The scan is a pipeline over the walk: at each stop the view is photographed and the stop
// waits; in the pauses of the bursts that follow, the waiting stop is checked (and a screen
// placed in the map), and then the map's final rows are handed on band by band. A step whose
// picture work finds the waiting screen misplaced recovers that screen and is done again; a look
// that finds the map of another size stops the walk, and the map's size is sought.
scan_outcome scan_map(game_window window, const map_size_row& size, const capture_driver& driver,
                      const map_rows_sink& sink, const capture_observer& observer)
{
    scan run{size, driver, window, sink, observer};
    try {
        try {
            const game_status status = first_burst(window, size, driver, observer, [&] {
                prepare_capture(run.map, run.shots, driver, window);
                return false;
            });
            if (status != game_status::ok)
                return {status};
            return {walk_the_map(run)};
        } catch (const map_larger& larger) {
            run.waiting.reset();
            const int found = find_map_size(run, larger.x_taps);
            if (map_size_table[static_cast<size_t>(found)].map_pixels == size.map_pixels)
                return {game_status::view_misplaced};
            return {game_status::map_size_differs, found};
        }
    } catch (const screen_refused& refused) {
        return {refused.status};
    } catch (const map_size_found& found) {
        return {game_status::map_size_differs, found.size_index};
    }
}

capture_result capture_map(game_window window, int size_index, const capture_driver& driver,
                           const capture_observer& observer)
{
    capture_result result;
    const map_size_row& size = map_size_table.at(static_cast<size_t>(size_index));
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    if (!can_write_beside(result_file_name)) {
        result.error = image_error{image_failure::file,
                                   std::string("Cannot write files into the folder of '") +
                                       result_file_name + "'."};
        return result;
    }
    result.error = catch_image_error([&] {
        // Both results are encoded band by band while the scan goes on.
        map_files files = start_map_files(size.map_pixels);
        const scan_outcome scanned = scan_map(
            window, size, driver,
            [&](image& band, int first_row) { add_map_band(files, band, first_row); }, observer);
        result.game = scanned.status;
        result.map_size_index = scanned.map_size_index;
        if (result.game == game_status::ok)
            write_map_files(files);
    });
    return result;
}
