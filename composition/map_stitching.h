// Stitching view tiles into the canvas: the part of a capture that works on pictures.
#pragma once

#include "cimg.h"

// Copies the 512 x 512 view tile of `snapshot` (its square (44, 19)-(555, 530); parts outside the
// snapshot stay zero) into cell (`column`, `row`) of `canvas`, which must be zero in that cell.
void place_view_tile(image& canvas, const image& snapshot, int column, int row);
