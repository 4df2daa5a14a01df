// The image library, configured once for the whole tool: its own JPEG codec through libjpeg (so
// no converter program is ever started), no display of its own, and quiet errors that reach the
// caller only as exceptions. Include this header instead of <CImg.h>.
#pragma once

#define cimg_display 0
#define cimg_use_jpeg 1
#define cimg_verbosity 0
#include <CImg.h>

using image = cimg_library::CImg<unsigned char>;
