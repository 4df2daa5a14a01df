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
game_status first_burst(game_window window, const MapSizeRow& row, const capture_driver& driver,
                        capture_waiting waiting, const pause_work& work)
{
    const int limit = row.traverse_taps;
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

// The picture work of a scan, done while the keys wait for the game: each screen's pixels are
// written as the snapshot file and read back, checked against the screens it overlaps and placed
// in the canvas, and the map's rows are handed to the sink in bands as soon as no later screen
// can change them.
struct screen_stitcher {
    const MapSizeRow& row;
    const map_rows_sink& sink;
    const capture_driver& driver;
    const game_window window;
    client_picture picture;  // the screen pending as grabbed, later its latest photograph
    client_picture retaken;  // a photograph taken again, to compare with `picture`
    std::chrono::steady_clock::time_point grabbed_at;  // when the screen pending was grabbed
    // How long the photographs of a screen must agree; longer once the game was seen catching up.
    std::chrono::steady_clock::duration stillness = settle_pause;
    // The view right after the first burst, where the bursts up to the first screen add no tap:
    // the first screen has stood still since then if it shows the same.
    client_picture first_look;
    std::optional<std::chrono::steady_clock::time_point> first_look_at;
    image canvas;  // allocated in the first burst's pause: a few megabytes to clear
    const int origin = map_origin(row);
    const canvas_rect map{origin, origin, origin + row.map_pixels, origin + row.map_pixels};
    photographed_area area;
    // The screen grabbed but not yet in the canvas: its place in the canvas, in pixels, and
    // where it lies in its row of screens.
    bool pending = false;
    int canvas_x = 0, canvas_y = 0;
    bool first_in_row = false, last_in_row = false;
    image previous_tile;  // the view tile of the screen placed last
    int rows_final = 0;   // map rows no later screen changes
    int rows_given = 0;  // map rows handed to the sink

    // Whether a screen's view tile is the previous screen's, to the pixel, though the keys moved
    // the view by at least a tap: the game has not drawn the new view (yet). A tile of one
    // colour (unexplored land) looks the same anywhere and tells nothing.
    bool same_as_previous(const image& tile) const
    {
        if (previous_tile.is_empty() || !(tile == previous_tile))
            return false;
        for (int c = 0; c < tile.spectrum(); ++c) {
            const unsigned char* channel = tile.data(0, 0, 0, c);
            const size_t size = static_cast<size_t>(tile.width()) * tile.height();
            if (std::any_of(channel, channel + size, [&](unsigned char v) { return v != *channel; }))
                return true;
        }
        return false;
    }

    static image view_tile_of(const image& snapshot)
    {
        return snapshot.get_crop(view_tile_left, view_tile_top,
                                 view_tile_left + view_tile_pixels - 1,
                                 view_tile_top + view_tile_pixels - 1);
    }

    // `shot` as the snapshot file, and back as the capture reads it.
    image read_back(const client_picture& shot)
    {
        const game_status status = driver.write_snapshot_file(shot);
        if (status != game_status::ok)
            throw screen_refused{status};
        return load_image(snapshot_file_name);
    }

    // The view as it is now, photographed into `shot`.
    void photograph(client_picture& shot)
    {
        const game_status status = driver.grab_client_area(window, shot);
        if (status != game_status::ok)
            throw screen_refused{status};
    }

    static bool same_pixels(const client_picture& a, const client_picture& b)
    {
        return a.width == b.width && a.height == b.height && a.rows == b.rows;
    }

    // Work done before the first key of a capture, in the first burst's pause: the canvas
    // cleared, and the photographs' memory and the grabbing path set up by a photograph that is
    // thrown away, so that neither costs time once the keys go.
    bool prepare()
    {
        if (canvas.is_empty())
            canvas.assign(canvas_pixels(row), canvas_pixels(row), 1, 3, 0);
        if (picture.rows.empty() && driver.grab_client_area(window, picture) == game_status::ok)
            retaken = first_look = picture;
        return false;
    }

    // Places the screen pending once it has settled: photographed again with no key since, the
    // two photographs agree (animation aside), the view has changed since the screen placed
    // last, and it fits the screens it overlaps. Until then the view is photographed again; a
    // screen that does not settle in `settle_limit` throws screen_refused before any key.
    void place_pending()
    {
        if (!pending)
            return;
        if (first_in_row) {
            area.start_row(canvas_y + view_tile_pixels);
            first_in_row = false;
        }
        prepare();
        using clock = std::chrono::steady_clock;
        // Photographs with the same bytes agree without a look; only differing ones go through
        // the snapshot file to be compared.
        std::optional<image> first_seen;
        if (first_look_at && !same_pixels(first_look, picture))
            first_seen = read_back(first_look);
        image earlier = read_back(picture);
        auto earlier_at = grabbed_at;
        auto still_from = grabbed_at;  // the first of the photographs that agree so far
        if (first_look_at &&
            (!first_seen || compare_snapshots(*first_seen, earlier) == likeness::same))
            still_from = *first_look_at;
        first_look_at.reset();
        const clock::duration needed =
            previous_tile.is_empty() ? clock::duration(settle_pause + retake_pause) : stillness;
        std::optional<clock::time_point> misfit_since;  // the view stands still, but misfits
        for (clock::duration pause = settle_pause;; pause = retake_pause) {
            driver.sleep_until(earlier_at + pause);
            const auto later_at = driver.now();
            photograph(retaken);
            const bool unchanged = same_pixels(retaken, picture);
            image later = unchanged ? earlier : read_back(retaken);
            std::swap(picture, retaken);
            if (!unchanged && compare_snapshots(earlier, later) != likeness::same) {
                // The game is still drawing: it is slower than the keys, and later screens are
                // asked to stand still for longer.
                still_from = later_at;
                misfit_since.reset();
                stillness = std::min<clock::duration>(2 * stillness, longest_stillness);
                if (later_at - grabbed_at >= settle_limit)
                    throw screen_refused{game_status::view_unsettled};
            } else if (later_at - still_from >= std::max(needed, stillness)) {
                image tile = view_tile_of(later);
                if (!same_as_previous(tile) &&
                    compare_seam(canvas, later, canvas_x, canvas_y, area, map) == likeness::same) {
                    place(later, std::move(tile));
                    return;
                }
                // Standing still where the keys should not have left it: the game missed a
                // key, or has not begun to draw.
                if (!misfit_since)
                    misfit_since = still_from;
                if (later_at - *misfit_since >= misfit_limit ||
                    later_at - grabbed_at >= settle_limit)
                    throw screen_refused{game_status::view_misplaced};
            }
            earlier = std::move(later);
            earlier_at = later_at;
        }
    }

    void place(const image& snapshot, image tile)
    {
        pending = false;
        previous_tile = std::move(tile);
        place_view_tile(canvas, snapshot, canvas_x, canvas_y, area);
        area.add_tile(canvas_x, view_tile_pixels);
        if (last_in_row)
            rows_final = std::clamp(area.row_end - origin, 0, row.map_pixels);
    }

    void take_first_look()
    {
        const auto at = driver.now();
        photograph(first_look);
        first_look_at = at;
    }

    // Hands on the next band, if there is one; false once none is left.
    bool feed_band()
    {
        if (rows_given >= rows_final)
            return false;
        const int first = rows_given;
        const int last = std::min(first + band_rows, rows_final) - 1;
        image band = canvas.get_crop(origin, origin + first, origin + row.map_pixels - 1,
                                     origin + last);
        rows_given = last + 1;
        sink(band, first);
        return rows_given < rows_final;
    }

    // One piece of work; false once nothing is left. Placing comes first: a screen that does
    // not fit must stop the walk before another key goes out.
    bool work()
    {
        if (pending) {
            place_pending();
            return true;
        }
        return feed_band();
    }

    // Grabs the view for the screen pending (again, after a recovery), noting when.
    game_status grab()
    {
        grabbed_at = driver.now();
        return driver.grab_client_area(window, picture);
    }

    // `picture` now holds the screen at this stop. The one before was placed in the pauses of
    // the burst that led here, before any of its keys.
    void photographed(const walk_stop& stop)
    {
        if (pending)
            throw std::logic_error("a screen was left unchecked before the keys that followed");
        pending = true;
        canvas_x = canvas_offset(row, stop.x);
        canvas_y = canvas_offset(row, stop.y);
        first_in_row = stop.first_in_row;
        last_in_row = stop.last_in_row;
    }

    void finish()
    {
        place_pending();
        while (feed_band())
            ;
    }

    // Rows a band holds: two JPEG blocks' worth, a millisecond or two of work.
    static constexpr int band_rows = 16;
};

}  // namespace

game_status scan_map(game_window window, const MapSizeRow& row, const capture_driver& driver,
                     capture_waiting waiting, const map_rows_sink& sink,
                     capture_recovering recovering)
{
    screen_stitcher stitcher{row, sink, driver, window};
    const pause_work work_in_pauses = [&] { return stitcher.work(); };
    int at_x = 0, at_y = 0;  // the stop the view was last sent to, in taps
    int recoveries = 0;
    // The top-left limit is the one place the view is known to reach from anywhere: from there
    // straight to the stop of the screen that did not fit, photographed and checked again. A
    // screen that still does not fit stops the capture.
    const auto recover = [&]() -> game_status {
        ++recoveries;
        if (recovering)
            recovering();
        const int limit = row.traverse_taps;
        game_status status = driver.scroll_map_view(window, -limit, -limit, {}, true);
        if (status == game_status::ok)
            status = driver.scroll_map_view(window, at_x, at_y, {}, true);
        if (status == game_status::ok)
            status = stitcher.grab();
        if (status != game_status::ok)
            return status;
        stitcher.place_pending();
        return game_status::ok;
    };
    // Runs a step of the scan whose picture work may find the screen pending misplaced: that
    // screen is recovered, and the step is done again.
    const auto recovering_from_misplaced = [&](const auto& step) -> game_status {
        for (;;) {
            try {
                return step();
            } catch (const screen_refused& refused) {
                if (refused.status != game_status::view_misplaced ||
                    recoveries >= most_recoveries)
                    throw;
                const game_status status = recover();
                if (status != game_status::ok)
                    return status;
            }
        }
    };
    try {
        game_status status =
            first_burst(window, row, driver, waiting, [&] { return stitcher.prepare(); });
        if (status != game_status::ok)
            return status;
        if (row.start_taps == 0)
            stitcher.take_first_look();
        for (const walk_stop& stop : map_walk(row)) {
            for (const auto& [dx, dy] : stop.bursts) {
                status = recovering_from_misplaced([&] {
                    return driver.scroll_map_view(window, dx, dy, work_in_pauses, true);
                });
                if (status != game_status::ok)
                    return status;
            }
            at_x = stop.x;
            at_y = stop.y;
            if ((status = stitcher.grab()) != game_status::ok)
                return status;
            stitcher.photographed(stop);
        }
        return recovering_from_misplaced([&] {
            stitcher.finish();
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
    const MapSizeRow& row = map_size_table.at(static_cast<size_t>(size_index));
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    if (!can_write_beside(result_file_name)) {
        result.error = image_error{image_failure::file,
                                   std::string("Cannot write files into the folder of '") +
                                       result_file_name + "'."};
        return result;
    }
    result.error = catch_image_error([&] {
        // Both results are encoded band by band while the scan goes on.
        map_files files = start_map_files(row.map_pixels);
        result.game = scan_map(
            window, row, driver, waiting,
            [&](image& band, int first_row) { add_map_band(files, band, first_row); }, recovering);
        if (result.game == game_status::ok)
            write_map_files(files);
    });
    return result;
}
