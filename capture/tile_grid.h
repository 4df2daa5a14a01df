// The tile grid drawn over a captured map: translucent blue bands along the 32-pixel tiles.
#pragma once

#include "game_contract.h"

#include "cimg.h"


// Draws the bands into `rows`, which hold the rows `first_row` onwards of the `map_pixels` x
// `map_pixels` map (all of it by default): for every inner tile boundary k = 1 .. T-1
// (T = map_pixels / 32) a vertical and a horizontal band 3 pixels wide, covering columns or rows
// 32k-1 .. 32k+1, in blue (0, 0, 255) at opacity 0.5. Where bands cross the blend is applied
// twice; the outer edges of the map get no band. Drawn band by band, a map gets the same pixels
// as drawn whole.
void draw_tile_grid(image& rows, int map_pixels, int first_row = 0);
