// Test support: a stand-in picture (interleaved) as an image of the image library (planar), and
// as the bottom-up rows of a snapshot file.
#pragma once

#include "cimg.h"
#include "standin_picture.h"

#include <vector>

inline image image_of(const rgb_picture& picture)
{
    image result(picture.width, picture.height, 1, 3);
    cimg_forXYC(result, x, y, c)
        result(x, y, 0, c) = picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3 + c];
    return result;
}

inline std::vector<unsigned char> bitmap_rows_of(const rgb_picture& picture)
{
    std::vector<unsigned char> rows(static_cast<size_t>(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* in = &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3];
            unsigned char* out =
                &rows[(static_cast<size_t>(picture.height - 1 - y) * picture.width + x) * 4];
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    return rows;
}
