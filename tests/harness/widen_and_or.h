// The straightforward merge the capture's tile placement must equal. Every view
// tile becomes a canvas-sized picture, zero but for its cell, and is ORed into the canvas.
#pragma once

#include "cimg.h"

#include <vector>

inline image widen_and_or(const std::vector<image>& snapshots, int n)
{
    const int side = 512 * n;
    image canvas;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            image tile = snapshots[static_cast<size_t>(i * n + j)].get_crop(44, 19, 555, 530);
            tile.crop(-512 * j, -512 * i, side - 1 - 512 * j, side - 1 - 512 * i);
            if (i == 0 && j == 0)
                canvas = tile;
            canvas |= tile;
        }
    return canvas;
}
