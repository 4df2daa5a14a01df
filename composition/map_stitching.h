// Stitching view tiles into the canvas: the part of a capture that works on pictures.
#pragma once

#include "cimg.h"

// The part of the canvas that screens already placed have photographed. The walk goes row by
// row and left to right, so that is every canvas row above `rows`, and in the rows from there
// to `row_end` (the current row of screens) the columns left of `columns`.
struct photographed_area {
    int rows = 0;
    int row_end = 0;
    int columns = 0;

    bool holds(int x, int y) const { return y < rows || (y < row_end && x < columns); }
    // The columns [0, end) it holds in canvas row `y`.
    int columns_in_row(int y) const { return y < rows ? 1 << 30 : y < row_end ? columns : 0; }
};

// Copies the 512 x 512 view tile of `snapshot` (its square (44, 19)-(555, 530)) to canvas
// position (`x`, `y`), except where `area` already holds photographed pixels: the first
// photograph of a pixel is kept. Parts of the tile outside the snapshot stay as they are (zero).
void place_view_tile(image& canvas, const image& snapshot, int x, int y,
                     const photographed_area& area = {});
