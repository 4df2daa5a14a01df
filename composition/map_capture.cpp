#include "map_capture.h"

#include "image_files.h"
#include "map_stitching.h"
#include "safe_files.h"
#include "seam_check.h"

#include <algorithm>
#include <thread>

const capture_driver game_driver{scroll_map_view, grab_client_area, write_snapshot_file};

namespace {

// Thrown by the picture work when a screen shows the view elsewhere than the walk asked, or when
// its snapshot could not be written or taken again.
struct view_misplaced {};
struct snapshot_failed {
    game_status status;
};

// A screen that does not fit may only be late: the game had not drawn the view yet. It is
// photographed again after these pauses before the capture gives up.
constexpr std::chrono::milliseconds retake_pauses[] = {std::chrono::milliseconds(100),
                                                       std::chrono::milliseconds(200),
                                                       std::chrono::milliseconds(400)};

bool still_waiting(game_status status)
{
    return status == game_status::focus_refused || status == game_status::keys_undelivered;
}

// The capture's first burst. Where the desktop does not give the game the keyboard, or holds the
// keys back until the player allows them, no key has gone out yet: the burst is tried again
// while the player is asked to act, for a bounded time.
game_status first_burst(game_window window, const MapSizeRow& row, const capture_driver& driver,
                        capture_waiting waiting)
{
    const int limit = row.traverse_taps;
    game_status status = driver.scroll_map_view(window, -limit, -limit, {}, false);
    if (!still_waiting(status))
        return status;
    const auto start = std::chrono::steady_clock::now();
    game_status told = game_status::ok;
    while (still_waiting(status)) {
        const auto bound = status == game_status::focus_refused ? focus_wait : permission_wait;
        if (std::chrono::steady_clock::now() - start > bound)
            break;
        if (waiting && status != told)
            waiting(status);
        told = status;
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
    client_picture picture;  // the last screen grabbed
    image canvas = image(canvas_pixels(row), canvas_pixels(row), 1, 3, 0);
    const int origin = map_origin(row);
    const canvas_rect map{origin, origin, origin + row.map_pixels, origin + row.map_pixels};
    photographed_area area;
    // The screen whose snapshot is in the file but not yet in the canvas: its stops, its place
    // in the canvas, and whether it ends a row of screens.
    bool pending = false;
    int x = 0, y = 0;
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

    // The grabbed screen as the snapshot file, and back as the capture reads it.
    image written_and_read_back()
    {
        const game_status status = driver.write_snapshot_file(picture);
        if (status != game_status::ok)
            throw snapshot_failed{status};
        return load_image(snapshot_file_name);
    }

    // Throws view_misplaced when the screen does not fit the screens around it, even when
    // photographed again.
    void place_pending()
    {
        if (!pending)
            return;
        if (first_in_row) {
            area = {area.row_end, y + view_tile_pixels, 0};
            first_in_row = false;
        }
        image snapshot = written_and_read_back();
        image tile = view_tile_of(snapshot);
        // Where the view tile is the previous screen's to the pixel (the game has not drawn the
        // new view yet), or the seam differs, the view is photographed again: a late picture
        // then shows the right view, and what animates shows as pixels that change while the
        // view stays.
        const auto fits = [&](const moving_pixels& left_out) {
            return !same_as_previous(tile) &&
                   seam_matches(compare_seam(canvas, snapshot, x, y, area, map, left_out));
        };
        moving_pixels moving;
        bool fitting = fits({});
        for (size_t i = 0; !fitting && i < std::size(retake_pauses); ++i) {
            std::this_thread::sleep_for(retake_pauses[i]);
            const game_status status = driver.grab_client_area(window, picture);
            if (status != game_status::ok)
                throw snapshot_failed{status};
            image again = written_and_read_back();
            note_moving_pixels(snapshot, again, moving);
            snapshot = std::move(again);
            tile = view_tile_of(snapshot);
            fitting = fits({});
        }
        // Judged on the pixels that stand still: a seam that all moves cannot tell.
        if (!fitting && !fits(moving))
            throw view_misplaced{};
        pending = false;
        previous_tile = std::move(tile);
        place_view_tile(canvas, snapshot, x, y, area);
        area.columns = x + view_tile_pixels;
        if (last_in_row)
            rows_final = std::clamp(area.row_end - origin, 0, row.map_pixels);
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

    // `picture` now holds the screen at these stops; the one before must have been placed.
    void photographed(int stop_x, int stop_y, bool first, bool last)
    {
        pending = true;
        x = canvas_offset(row, stop_x);
        y = canvas_offset(row, stop_y);
        first_in_row = first;
        last_in_row = last;
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
                     capture_waiting waiting, const map_rows_sink& sink)
{
    screen_stitcher stitcher{row, sink, driver, window};
    const pause_work work_in_pauses = [&] { return stitcher.work(); };
    const auto burst = [&](int dx, int dy) {
        return driver.scroll_map_view(window, dx, dy, work_in_pauses, true);
    };
    try {
        game_status status = first_burst(window, row, driver, waiting);
        if (status != game_status::ok)
            return status;
        // The walk, row by row, from the top-left scroll limit: every row starts at the left
        // limit (the first is there already, the others go back to it), and the view stops at
        // the same tap counts across as down. It is photographed at every stop.
        const std::vector<int> stops = walk_stops(row);
        int x = 0, y = 0;  // the view, in taps from the limit
        for (size_t i = 0; i < stops.size(); ++i) {
            if ((status = burst(i == 0 ? 0 : -row.traverse_taps, stops[i] - y)) != game_status::ok)
                return status;
            x = 0;
            y = stops[i];
            for (size_t j = 0; j < stops.size(); ++j) {
                if ((status = burst(stops[j] - x, 0)) != game_status::ok)
                    return status;
                x = stops[j];
                stitcher.place_pending();  // its picture is about to be taken again
                if ((status = driver.grab_client_area(window, stitcher.picture)) !=
                    game_status::ok)
                    return status;
                stitcher.photographed(x, y, j == 0, j + 1 == stops.size());
            }
        }
        stitcher.finish();
        return game_status::ok;
    } catch (const view_misplaced&) {
        return game_status::view_misplaced;
    } catch (const snapshot_failed& failed) {
        return failed.status;
    }
}

capture_result capture_map(game_window window, int size_index, const capture_driver& driver,
                           capture_waiting waiting)
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
        result.game = scan_map(window, row, driver, waiting, [&](image& band, int first_row) {
            add_map_band(files, band, first_row);
        });
        if (result.game == game_status::ok)
            write_map_files(files);
    });
    return result;
}
