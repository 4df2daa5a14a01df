// A stand-in picture (interleaved) as an image of the image library (planar), and
// as the bottom-up rows of a snapshot file; a picture whose every pixel differs from its
// neighbours.
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

// Colours that change from pixel to pixel in all three channels, so that a row or column out of
// place, or channels swapped, show.
inline image test_pattern(int width, int height)
{
    image picture(width, height, 1, 3);
    cimg_forXY(picture, x, y) {
        picture(x, y, 0, 0) = static_cast<unsigned char>(x * 7 + y);
        picture(x, y, 0, 1) = static_cast<unsigned char>(y * 5);
        picture(x, y, 0, 2) = static_cast<unsigned char>((x ^ y) * 3);
    }
    return picture;
}
