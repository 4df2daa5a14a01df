#include "tile_grid.h"

void draw_tile_grid(image& map, int map_pixels)
{
    static const unsigned char blue[] = {0, 0, 255};
    const int tiles = map_pixels / tile_pixels;
    for (int k = 1; k < tiles; ++k) {
        const int x = tile_pixels * k - 1;
        map.draw_rectangle(x, 0, x + 2, map_pixels - 1, blue, 0.5f);
        map.draw_rectangle(0, x, map_pixels - 1, x + 2, blue, 0.5f);
    }
}
