// The image library, configured once for the whole tool: no display of its own, and quiet errors
// that reach the caller only as exceptions. Include this header instead of <CImg.h>. The tool
// reads and writes JPEG files through jpeg_encoder.h and jpeg_decoder.h, never through the
// library's own loaders and savers (which would start a converter program).
#pragma once

#define cimg_display 0
#define cimg_verbosity 0
#include <CImg.h>

using image = cimg_library::CImg<unsigned char>;
