#include "map_stitching.h"

#include "capture_failure.h"
#include "image_files.h"
#include "tile_grid.h"

#include <algorithm>
#include <cstring>

const capture_driver game_driver{scroll_map_view, snapshot_client_area};

void place_view_tile(image& canvas, const image& snapshot, int column, int row)
{
    // The part of the view tile that the snapshot holds; the rest of the cell stays zero.
    const int width = std::min(view_tile_pixels, snapshot.width() - view_tile_left);
    const int height = std::min(view_tile_pixels, snapshot.height() - view_tile_top);
    if (width <= 0 || height <= 0)
        return;
    const int channels = std::min(canvas.spectrum(), snapshot.spectrum());
    const int cell_x = view_tile_pixels * column;
    const int cell_y = view_tile_pixels * row;
    for (int c = 0; c < channels; ++c) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(canvas.data(cell_x, cell_y + y, 0, c),
                        snapshot.data(view_tile_left, view_tile_top + y, 0, c), width);
        }
    }
}

image scan_map(game_window window, const MapSizeRow& row, const capture_driver& driver)
{
    const int n = row.screens_per_side;
    const int limit = row.traverse_taps;
    const int start = row.start_taps;
    image canvas(canvas_pixels(row), canvas_pixels(row), 1, 3, 0);

    // A window that goes away stops the scan after the burst that found it gone.
    const auto scroll = [&](int dx, int dy) {
        return driver.scroll_map_view(window, dx, dy) || report_capture_failure();
    };

    if (!scroll(-limit, -limit))
        return image();
    for (int i = 0; i < n; ++i) {
        if (i == 0 && !scroll(0, start))
            return image();
        for (int j = 0; j < n; ++j) {
            if (j == 0 && !scroll(start, 0))
                return image();
            if (!driver.snapshot_client_area(window))
                return image();
            place_view_tile(canvas, load_image(snapshot_file_name), j, i);
            if (j < n - 1 && !scroll(step_taps, 0))
                return image();
        }
        if (i < n - 1 && !scroll(-limit, step_taps))
            return image();
    }

    const int origin = map_origin(row);
    const int last = origin + row.map_pixels - 1;
    image map = canvas.get_crop(origin, origin, last, last);
    return map;
}

bool capture_map(game_window window, int size_index, const capture_driver& driver)
{
    const MapSizeRow& row = map_size_table.at(static_cast<size_t>(size_index));
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    check_writable_beside(result_file_name);
    image map = scan_map(window, row, driver);
    if (map.is_empty())
        return false;

    // Both results are written completely before either replaces its earlier file.
    try {
        save_jpeg_partial(map, result_file_name, result_quality);
        draw_tile_grid(map, row.map_pixels);
        save_jpeg_partial(map, result_grid_file_name, result_quality);
        commit_image_file(result_file_name);
    } catch (...) {
        discard_image_file(result_file_name);
        discard_image_file(result_grid_file_name);
        throw;
    }
    commit_image_file(result_grid_file_name);
    return true;
}
