// The image library, configured once for the whole tool: no display of its own, and quiet errors
// that reach the caller only as exceptions. Include this header instead of <CImg.h>. The tool
// reads and writes JPEG files through jpeg_encoder.h and jpeg_decoder.h, never through the
// library's own loaders and savers (which would start a converter program).
#pragma once

#define cimg_display 0
#define cimg_verbosity 0
// The library sizes its largest picture by UINTPTR_MAX: without <cstdint> first, a 32-bit build
// takes the 64-bit limit, which overflows to 0 and refuses every picture.
#include <cstdint>
#include <CImg.h>

using image = cimg_library::CImg<unsigned char>;
