// JPEG files made in memory by the platform's codec (libjpeg on Linux, the Windows Imaging
// Component on Windows), from the image library's planar pictures, whole or a band of rows at a
// time. Failures are thrown as the tool's image errors.
#pragma once

#include "cimg.h"

#include <cstdlib>
#include <memory>

// An encoded JPEG file, in memory.
struct jpeg_bytes {
    std::unique_ptr<unsigned char, decltype(&std::free)> data{nullptr, &std::free};
    unsigned long size = 0;
};

// Encodes a picture of 3 channels (red, green, blue) or 1 (grey) as a baseline JPEG with 4:2:0
// chroma subsampling at `quality`, the way libjpeg's defaults make it. Throws a picture error for
// an empty picture or one larger than JPEG allows, a file error when libjpeg fails.
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
