// JPEG files written and read through libjpeg directly, with errors that come back to the tool as
// the image library's exceptions (libjpeg's own handler would end the process). Pictures go in
// and out as the image library's planar images, converted row by row.
#pragma once

#include "cimg.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Pictures larger than these are refused when read, before anything is allocated. The largest
// picture the tool makes is 3456 pixels square (12 million pixels); these are five times that
// and more, and keep the decoded picture under 200 MB.
inline constexpr int jpeg_max_side = 16384;
inline constexpr long long jpeg_max_pixels = 8192LL * 8192;

// An encoded JPEG file, in memory.
struct jpeg_bytes {
    std::unique_ptr<unsigned char, decltype(&std::free)> data{nullptr, &std::free};
    unsigned long size = 0;
};

// Encodes a picture of 3 channels (red, green, blue) or 1 (grey) as a baseline JPEG with 4:2:0
// chroma subsampling at `quality`, the way libjpeg's defaults make it. Throws
// CImgArgumentException for an empty picture or one larger than JPEG allows, CImgIOException
// when libjpeg fails.
jpeg_bytes encode_jpeg(const image& picture, int quality);

// Decodes a JPEG file's bytes into a picture of 3 channels. Refuses, with CImgIOException naming
// `file_name`: pictures over the limits above, CMYK pictures, and any stream libjpeg finds
// corrupt or cut short (even where it would only warn and fill in grey).
image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name);
