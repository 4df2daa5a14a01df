// Stitching view tiles into the canvas: the part of a capture that works on images.
#pragma once

#include "cimg.h"

#include <algorithm>

// The part of the canvas that screens already placed cover. The walk goes row by row, each row in
// one direction, so that is every canvas row above `rows`, and in the rows from there to `row_end`
// (the current row of screens) the columns [`left`, `right`).
struct placed_area {
    int rows = 0;
    int row_end = 0;
    int left = 0, right = 0;

    bool holds(int x, int y) const
    {
        return y < rows || (y < row_end && x >= left && x < right);
    }
    // The canvas rectangle [x0, x1) x [y0, y1), all of it.
    bool holds(int x0, int y0, int x1, int y1) const
    {
        return holds(x0, y0) && holds(x1 - 1, y0) && holds(x0, y1 - 1) && holds(x1 - 1, y1 - 1);
    }
    // A new row of screens, whose tiles span canvas rows up to `end`.
    void start_row(int end) { *this = {row_end, end, 0, 0}; }
    // A tile placed at column `x` of the current row.
    void add_tile(int x, int width)
    {
        left = right > left ? std::min(left, x) : x;
        right = std::max(right, x + width);
    }
};

// Copies the 512 x 512 view tile of `snapshot` (its square (44, 19)-(555, 530)) to canvas
// position (`x`, `y`), except where `area` already holds placed pixels: the first
// snapshot of a pixel is kept (the area's columns in the current row lie on one side of the
// tile). Parts of the tile outside the snapshot stay as they are (zero).
void place_view_tile(image& canvas, const image& snapshot_image, int x, int y,
                     const placed_area& area = {});
