#include "map_stitching.h"

#include "game_contract.h"

#include <algorithm>
#include <cstring>

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
