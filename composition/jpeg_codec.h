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

// The same, a band of rows at a time, top to bottom, so that a picture can be encoded while it
// is still being made.
struct jpeg_encoding;
struct jpeg_encoding_deleter {
    void operator()(jpeg_encoding* encoding) const;
};
using jpeg_encoder = std::unique_ptr<jpeg_encoding, jpeg_encoding_deleter>;

jpeg_encoder start_jpeg(int width, int height, int channels, int quality);
// `rows` are the next rows of the picture: as wide as it, with as many channels.
void add_jpeg_rows(jpeg_encoding& encoding, const image& rows);
// Once all rows are in.
jpeg_bytes finish_jpeg(jpeg_encoding& encoding);

struct jpeg_size {
    int width = 0, height = 0;
};

// The size a JPEG file's header gives. Throws CImgIOException naming `file_name` when there is no
// readable header.
jpeg_size read_jpeg_size(const std::vector<unsigned char>& bytes, const std::string& file_name);

// Decodes a JPEG file's bytes into a picture of 3 channels. With `kept_height` of 0 or more, the
// picture keeps only the rows that a nearest-neighbour resize to that height keeps (row y is the
// file's row y * height / kept_height), the others are decoded and dropped. Refuses, with
// CImgIOException naming `file_name`: pictures over the limits above, CMYK pictures, and any
// stream libjpeg finds corrupt or cut short (even where it would only warn and fill in grey).
image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name,
                  int kept_height = -1);
