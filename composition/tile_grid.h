// The tile grid drawn over a captured map: translucent blue bands along the 32-pixel tiles.
#pragma once

#include "cimg.h"

inline constexpr int tile_pixels = 32;

// Draws the bands into the `map_pixels` x `map_pixels` map in place: for every inner tile boundary
// k = 1 .. T-1 (T = map_pixels / 32) a vertical and a horizontal band 3 pixels wide, covering
// columns or rows 32k-1 .. 32k+1, in blue (0, 0, 255) at opacity 0.5. Where bands cross the blend
// is applied twice; the outer edges of the map get no band.
void draw_tile_grid(image& map, int map_pixels);
