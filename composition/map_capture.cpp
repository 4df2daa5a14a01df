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
// tap that the game missed now and then is recovered, while a map smaller than its Size says, or
// a game that does not scroll, fails at once again (and each recovery costs a walk of up to 4
// seconds from the limit and back).
constexpr int most_recoveries = 3;

// Thrown by the picture work when a screen cannot be used: its view is not where the walk asked,
// it never settled, or its snapshot could not be taken or written.
struct screen_refused {
    game_status status;
};

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
                        const capture_driver& driver, capture_waiting waiting,
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
        if (waiting && status != told && players_turn) {
            waiting(status);
            told = status;
        }
        status = driver.scroll_map_view(window, -limit, -limit, {}, false);
    }
    if (waiting && told != game_status::ok)
        waiting(game_status::ok);
    return status;
}

using capture_clock = std::chrono::steady_clock;

// A screen photographed at its stop and not yet in the map: where its view tile goes in the
// canvas, in pixels, whether it ends its row of screens, and when it was photographed.
struct waiting_screen {
    int left_px, top_px;
    bool last_in_row;
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

// What the capture keeps of its photographs from one screen to the next: the memory they go
// to, the look at the view right after the first burst (where the bursts up to the first screen
// add no tap, the first screen has stood still since then if it shows the same), and how long
// the photographs of a screen must agree, longer once the game was seen catching up.
struct photographs {
    client_picture latest;   // of the screen waiting, its latest photograph
    client_picture retaken;  // a photograph taken again, to compare with `latest`
    client_picture first_look;
    std::optional<capture_clock::time_point> first_look_at;
    capture_clock::duration stillness = settle_pause;
};

// Work done before the first key of a capture, in the first burst's pause: the canvas cleared,
// and the photographs' memory and the grabbing path set up by a photograph that is thrown away,
// so that neither costs time once the keys go.
void prepare_capture(stitched_map& map, photographs& shots, const capture_driver& driver,
                     game_window window)
{
    if (map.canvas.is_empty())
        map.canvas.assign(canvas_pixels(map.size), canvas_pixels(map.size), 1, 3, 0);
    if (shots.latest.rows.empty() &&
        driver.grab_client_area(window, shots.latest) == game_status::ok)
        shots.retaken = shots.first_look = shots.latest;
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

// The waiting screen once it has settled: photographed again with no key since, the
// photographs agree (animation aside), the view has changed since the screen placed last, and
// it fits the screens it overlaps. Until then the view is photographed again; a screen that
// does not settle throws screen_refused, before any key. Photographs with the same bytes agree
// without a look; only differing ones go through the snapshot file to be compared.
image settled_screen(const waiting_screen& screen, const stitched_map& map, photographs& shots,
                     const capture_driver& driver, game_window window)
{
    std::optional<image> first_seen;
    if (shots.first_look_at && !same_pixels(shots.first_look, shots.latest))
        first_seen = read_back(driver, shots.first_look);
    image earlier = read_back(driver, shots.latest);
    auto earlier_at = screen.taken_at;
    auto still_from = screen.taken_at;  // the first of the photographs that agree so far
    if (shots.first_look_at &&
        (!first_seen || compare_snapshots(*first_seen, earlier) == likeness::same))
        still_from = *shots.first_look_at;
    shots.first_look_at.reset();
    const capture_clock::duration needed = map.last_tile.is_empty()
                                               ? capture_clock::duration(settle_pause + retake_pause)
                                               : shots.stillness;
    std::optional<capture_clock::time_point> misfit_since;  // standing still, but misfitting
    for (capture_clock::duration pause = settle_pause;; pause = retake_pause) {
        driver.sleep_until(earlier_at + pause);
        const auto later_at = driver.now();
        photograph(driver, window, shots.retaken);
        const bool unchanged = same_pixels(shots.retaken, shots.latest);
        image later = unchanged ? earlier : read_back(driver, shots.retaken);
        std::swap(shots.latest, shots.retaken);
        if (!unchanged && compare_snapshots(earlier, later) != likeness::same) {
            // The game is still drawing: it is slower than the keys, and later screens are
            // asked to stand still for longer.
            still_from = later_at;
            misfit_since.reset();
            shots.stillness = std::min<capture_clock::duration>(2 * shots.stillness,
                                                                longest_stillness);
            if (later_at - screen.taken_at >= settle_limit)
                throw screen_refused{game_status::view_unsettled};
        } else if (later_at - still_from >= std::max(needed, shots.stillness)) {
            if (!same_as_last(map, view_tile_of(later)) &&
                compare_seam(map.canvas, later, screen.left_px, screen.top_px, map.area,
                             map.map) == likeness::same)
                return later;
            // Standing still where the keys should not have left it: the game missed a key, or
            // has not begun to draw.
            if (!misfit_since)
                misfit_since = still_from;
            if (later_at - *misfit_since >= misfit_limit ||
                later_at - screen.taken_at >= settle_limit)
                throw screen_refused{game_status::view_misplaced};
        }
        earlier = std::move(later);
        earlier_at = later_at;
    }
}

void place_screen(stitched_map& map, const waiting_screen& screen, const image& snapshot)
{
    map.last_tile = view_tile_of(snapshot);
    place_view_tile(map.canvas, snapshot, screen.left_px, screen.top_px, map.area);
    map.area.add_tile(screen.left_px, view_tile_pixels);
    if (screen.last_in_row)
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

// A scan under way: what it works with, and the three things it owns, each changed by the
// steps below only: the map stitched so far, the photographs, and the screen waiting to be placed.
struct scan {
    const map_size_row& size;
    const capture_driver& driver;
    const game_window window;
    const map_rows_sink& sink;
    stitched_map map{size};
    photographs shots;
    std::optional<waiting_screen> screen;
    int recoveries = 0;
};

// Photographs the view for the waiting screen (again, after a recovery), noting when.
game_status photograph_screen(scan& run)
{
    const auto taken_at = run.driver.now();
    const game_status status = run.driver.grab_client_area(run.window, run.shots.latest);
    if (status == game_status::ok)
        run.screen->taken_at = taken_at;
    return status;
}

// The view photographed at the stop, as the screen waiting to be placed. The screen before it
// was placed in the pauses of the bursts that led here, before any of their keys.
game_status photograph_stop(scan& run, const walk_stop& stop)
{
    if (run.screen)
        throw std::logic_error("a screen was left unchecked before the keys that followed");
    run.screen = waiting_screen{canvas_offset(run.size, stop.x), canvas_offset(run.size, stop.y),
                                stop.last_in_row, {}};
    if (stop.first_in_row)
        run.map.area.start_row(run.screen->top_px + view_tile_pixels);
    return photograph_screen(run);
}

void place_waiting_screen(scan& run)
{
    if (!run.screen)
        return;
    prepare_capture(run.map, run.shots, run.driver, run.window);
    place_screen(run.map, *run.screen,
                 settled_screen(*run.screen, run.map, run.shots, run.driver, run.window));
    run.screen.reset();
}

// One piece of the work done in a burst's pauses; false once nothing is left. The waiting
// screen comes first: one that does not fit must stop the walk before another key goes out.
bool work_in_pause(scan& run)
{
    if (run.screen) {
        place_waiting_screen(run);
        return true;
    }
    return hand_on_band(run.map, run.sink);
}

// The top-left limit is the one place the view is known to reach from anywhere: from there
// straight to the stop (`x_taps`, `y_taps`) of the screen that did not fit, photographed and
// checked again. A screen that still does not fit throws again.
game_status recover(scan& run, int x_taps, int y_taps, capture_recovering recovering)
{
    ++run.recoveries;
    if (recovering)
        recovering();
    const int limit = run.size.traverse_taps;
    game_status status = run.driver.scroll_map_view(run.window, -limit, -limit, {}, true);
    if (status == game_status::ok)
        status = run.driver.scroll_map_view(run.window, x_taps, y_taps, {}, true);
    if (status == game_status::ok)
        status = photograph_screen(run);
    if (status == game_status::ok)
        place_waiting_screen(run);
    return status;
}

}  // namespace

// The scan is a pipeline over the walk: at each stop the view is photographed and the screen
// waits; in the pauses of the bursts that follow, the waiting screen is checked and placed in
// the map, and then the map's final rows are handed on band by band. A step whose picture work
// finds the waiting screen misplaced recovers that screen and is done again.
game_status scan_map(game_window window, const map_size_row& size, const capture_driver& driver,
                     capture_waiting waiting, const map_rows_sink& sink,
                     capture_recovering recovering)
{
    scan run{size, driver, window, sink};
    int x_taps = 0, y_taps = 0;  // the stop the view was last sent to
    const auto recovering_from_misplaced = [&](const auto& step) -> game_status {
        for (;;) {
            try {
                return step();
            } catch (const screen_refused& refused) {
                if (refused.status != game_status::view_misplaced ||
                    run.recoveries >= most_recoveries)
                    throw;
                const game_status status = recover(run, x_taps, y_taps, recovering);
                if (status != game_status::ok)
                    return status;
            }
        }
    };
    const pause_work work = [&] { return work_in_pause(run); };
    try {
        game_status status = first_burst(window, size, driver, waiting, [&] {
            prepare_capture(run.map, run.shots, driver, window);
            return false;
        });
        if (status != game_status::ok)
            return status;
        if (size.start_taps == 0) {
            run.shots.first_look_at = driver.now();
            photograph(driver, window, run.shots.first_look);
        }
        for (const walk_stop& stop : map_walk(size)) {
            for (const auto& [dx, dy] : stop.bursts) {
                status = recovering_from_misplaced(
                    [&] { return driver.scroll_map_view(window, dx, dy, work, true); });
                if (status != game_status::ok)
                    return status;
            }
            x_taps = stop.x;
            y_taps = stop.y;
            if ((status = photograph_stop(run, stop)) != game_status::ok)
                return status;
        }
        return recovering_from_misplaced([&] {
            place_waiting_screen(run);
            while (hand_on_band(run.map, run.sink))
                ;
            return game_status::ok;
        });
    } catch (const screen_refused& refused) {
        return refused.status;
    }
}

capture_result capture_map(game_window window, int size_index, const capture_driver& driver,
                           capture_waiting waiting, capture_recovering recovering)
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
        result.game = scan_map(
            window, size, driver, waiting,
            [&](image& band, int first_row) { add_map_band(files, band, first_row); }, recovering);
        if (result.game == game_status::ok)
            write_map_files(files);
    });
    return result;
}
