#include "map_stitching.h"

#include "game_contract.h"

#include <algorithm>
#include <cstring>

void place_view_tile(image& canvas, const image& snapshot_image, int x, int y,
                     const placed_area& area)
{
    // The part of the view tile that the snapshot holds and the canvas has room for.
    const int width = std::min({view_tile_pixels, snapshot_image.width() - view_tile_left,
                                canvas.width() - x});
    const int height = std::min({view_tile_pixels, snapshot_image.height() - view_tile_top,
                                 canvas.height() - y});
    if (width <= 0 || height <= 0)
        return;
    const int channels = std::min(canvas.spectrum(), snapshot_image.spectrum());
    for (int r = 0; r < height; ++r) {
        // The tile's columns [first, end) that the area does not hold yet.
        int first = 0, end = width;
        if (y + r < area.rows) {
            continue;
        } else if (y + r < area.row_end && area.right > area.left) {
            if (area.left <= x)
                first = std::clamp(area.right - x, 0, width);
            else
                end = std::clamp(area.left - x, 0, width);
        }
        if (first >= end)
            continue;
        for (int c = 0; c < channels; ++c)
            std::memcpy(canvas.data(x + first, y + r, 0, c),
                        snapshot_image.data(view_tile_left + first, view_tile_top + r, 0, c),
                        static_cast<size_t>(end - first));
    }
}
