#include "map_capture.h"

#include "image_files.h"
#include "map_stitching.h"
#include "safe_files.h"
#include "tile_grid.h"

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

void write_results(image& map, int map_pixels)
{
    // Both results are written in full before either replaces its earlier file, and neither is
    // put in place when the other could not be.
    for (const char* name : {result_file_name, result_grid_file_name}) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error))
            throw cimg_library::CImgIOException("Cannot replace '%s': it is a folder.", name);
    }
    pending_file result, grid;
    write_jpeg_pending(map, result_file_name, result_quality, result);
    try {
        draw_tile_grid(map, map_pixels);
        write_jpeg_pending(map, result_grid_file_name, result_quality, grid);
    } catch (...) {
        discard_pending_file(result);
        throw;
    }
    try {
        commit_image_file(result);
    } catch (...) {
        discard_pending_file(grid);
        throw;
    }
    commit_image_file(grid);
}

}  // namespace

image scan_map(game_window window, const MapSizeRow& row, const capture_driver& driver,
               capture_waiting waiting, game_status& status)
{
    const int n = row.screens_per_side;
    const int limit = row.traverse_taps;
    const int start = row.start_taps;
    image canvas(canvas_pixels(row), canvas_pixels(row), 1, 3, 0);

    // The snapshot in the file that is not in the canvas yet. It is read back and placed while
    // the next burst waits for the game anyway, and at the latest before the next snapshot.
    int pending_column = -1, pending_row = -1;
    const auto place_pending = [&] {
        if (pending_column < 0)
            return;
        place_view_tile(canvas, load_image(snapshot_file_name), pending_column, pending_row);
        pending_column = -1;
    };
    const pause_work place_in_pause = [&] {
        place_pending();
        return false;
    };
    const auto scroll = [&](int dx, int dy) {
        status = driver.scroll_map_view(window, dx, dy, place_in_pause);
        return status == game_status::ok;
    };

    status = first_burst(window, row, driver, waiting);
    if (status != game_status::ok)
        return image();
    for (int i = 0; i < n; ++i) {
        if (i == 0 && !scroll(0, start))
            return image();
        for (int j = 0; j < n; ++j) {
            if (j == 0 && !scroll(start, 0))
                return image();
            place_pending();
            status = driver.snapshot_client_area(window);
            if (status != game_status::ok)
                return image();
            pending_column = j;
            pending_row = i;
            if (j < n - 1 && !scroll(step_taps, 0))
                return image();
        }
        if (i < n - 1 && !scroll(-limit, step_taps))
            return image();
    }
    place_pending();

    const int origin = map_origin(row);
    const int last = origin + row.map_pixels - 1;
    return canvas.get_crop(origin, origin, last, last);
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
        image map = scan_map(window, row, driver, waiting, result.game);
        if (result.game == game_status::ok)
            write_results(map, row.map_pixels);
    });
    return result;
}
