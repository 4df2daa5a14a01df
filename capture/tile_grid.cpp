#include "tile_grid.h"

void draw_tile_grid(image& rows, int map_pixels, int first_row)
{
    static const unsigned char blue[] = {0, 0, 255};
    const int tiles = map_pixels / tile_pixels;
    const int last_row = first_row + rows.height() - 1;
    for (int k = 1; k < tiles; ++k) {
        const int x = tile_pixels * k - 1;
        rows.draw_rectangle(x, 0, x + 2, rows.height() - 1, blue, 0.5f);
        // Horizontal bands only where they meet these rows; the library clips the rest.
        if (x + 2 >= first_row && x <= last_row)
            rows.draw_rectangle(0, x - first_row, map_pixels - 1, x + 2 - first_row, blue, 0.5f);
    }
}
