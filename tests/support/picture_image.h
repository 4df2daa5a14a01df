// Test support: a stand-in picture (interleaved) as an image of the image library (planar).
#pragma once

#include "cimg.h"
#include "standin_model.h"

inline image image_of(const rgb_picture& picture)
{
    image result(picture.width, picture.height, 1, 3);
    cimg_forXYC(result, x, y, c)
        result(x, y, 0, c) = picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3 + c];
    return result;
}
