#include "map_capture.h"

#include "image_files.h"
#include "map_stitching.h"
#include "safe_files.h"
#include "tile_grid.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

const capture_driver game_driver{scroll_map_view, snapshot_client_area};

namespace {

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
    game_status status = driver.scroll_map_view(window, -limit, -limit, {});
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
        status = driver.scroll_map_view(window, -limit, -limit, {});
    }
    if (waiting && told != game_status::ok)
        waiting(game_status::ok);
    return status;
}

// Rows of the map handed to a sink in bands as they become final: the canvas rows of a screen
// row are final once its last view tile is in.
struct band_feeder {
    const image& canvas;
    const MapSizeRow& row;
    const map_rows_sink& sink;
    int rows_final = 0;
    int rows_given = 0;
};

// Rows a band holds: two JPEG blocks' worth, a millisecond or two of work.
constexpr int band_rows = 16;

void screen_row_done(band_feeder& feeder, int screen_row)
{
    const int canvas_rows = view_tile_pixels * (screen_row + 1);
    feeder.rows_final = std::clamp(canvas_rows - map_origin(feeder.row), 0, feeder.row.map_pixels);
}

// Hands on the next band, if there is one; false once none is left.
bool feed_band(band_feeder& feeder)
{
    if (feeder.rows_given >= feeder.rows_final)
        return false;
    const int origin = map_origin(feeder.row);
    const int first = feeder.rows_given;
    const int last = std::min(first + band_rows, feeder.rows_final) - 1;
    image band = feeder.canvas.get_crop(origin, origin + first,
                                        origin + feeder.row.map_pixels - 1, origin + last);
    feeder.rows_given = last + 1;
    feeder.sink(band, first);
    return feeder.rows_given < feeder.rows_final;
}

}  // namespace

map_files start_map_files(int map_pixels)
{
    return {start_jpeg(map_pixels, map_pixels, 3, result_quality),
            start_jpeg(map_pixels, map_pixels, 3, result_quality), map_pixels};
}

void add_map_band(map_files& files, image& band, int first_row)
{
    add_jpeg_rows(*files.map, band);
    draw_tile_grid(band, files.map_pixels, first_row);
    add_jpeg_rows(*files.grid, band);
}

void write_map_files(map_files& files)
{
    for (const char* name : {result_file_name, result_grid_file_name}) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error))
            throw cimg_library::CImgIOException("Cannot replace '%s': it is a folder.", name);
    }
    const jpeg_bytes map_bytes = finish_jpeg(*files.map);
    const jpeg_bytes grid_bytes = finish_jpeg(*files.grid);
    pending_file map_file, grid_file;
    write_jpeg_bytes_pending(map_bytes, result_file_name, map_file);
    try {
        write_jpeg_bytes_pending(grid_bytes, result_grid_file_name, grid_file);
        commit_image_file(map_file);
    } catch (...) {
        discard_pending_file(map_file);
        discard_pending_file(grid_file);
        throw;
    }
    commit_image_file(grid_file);
}

game_status scan_map(game_window window, const MapSizeRow& row, const capture_driver& driver,
                     capture_waiting waiting, const map_rows_sink& sink)
{
    const int n = row.screens_per_side;
    const int limit = row.traverse_taps;
    const int start = row.start_taps;
    image canvas(canvas_pixels(row), canvas_pixels(row), 1, 3, 0);
    band_feeder feeder{canvas, row, sink};

    // The snapshot in the file that is not in the canvas yet. It is read back and placed while
    // the next burst waits for the game anyway, and at the latest before the next snapshot; the
    // map's rows are handed on in the same pauses.
    int pending_column = -1, pending_row = -1;
    const auto place_pending = [&] {
        if (pending_column < 0)
            return false;
        place_view_tile(canvas, load_image(snapshot_file_name), pending_column, pending_row);
        if (pending_column == n - 1)
            screen_row_done(feeder, pending_row);
        pending_column = -1;
        return true;
    };
    const pause_work work_in_pauses = [&] { return place_pending() || feed_band(feeder); };
    game_status status = game_status::ok;
    const auto scroll = [&](int dx, int dy) {
        status = driver.scroll_map_view(window, dx, dy, work_in_pauses);
        return status == game_status::ok;
    };

    status = first_burst(window, row, driver, waiting);
    if (status != game_status::ok)
        return status;
    for (int i = 0; i < n; ++i) {
        if (i == 0 && !scroll(0, start))
            return status;
        for (int j = 0; j < n; ++j) {
            if (j == 0 && !scroll(start, 0))
                return status;
            place_pending();
            status = driver.snapshot_client_area(window);
            if (status != game_status::ok)
                return status;
            pending_column = j;
            pending_row = i;
            if (j < n - 1 && !scroll(step_taps, 0))
                return status;
        }
        if (i < n - 1 && !scroll(-limit, step_taps))
            return status;
    }
    place_pending();
    screen_row_done(feeder, n - 1);
    while (feed_band(feeder))
        ;
    return game_status::ok;
}

capture_result capture_map(game_window window, int size_index, const capture_driver& driver,
                           capture_waiting waiting)
{
    capture_result result;
    const MapSizeRow& row = map_size_table.at(static_cast<size_t>(size_index));
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    if (!can_write_beside(result_file_name)) {
        result.error = image_error{"CImgIOException",
                                   "Cannot write files into the folder of 'result.jpg'."};
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
