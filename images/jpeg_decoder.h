// JPEG files read from memory into the image library's planar pictures of three channels, by the
// platform's codec (libjpeg on Linux, the Windows Imaging Component on Windows). Anything that is
// not a whole, sound picture is refused with a file error naming the file: a codec would only
// warn about corrupt or cut-short data and fill in grey.
#pragma once

#include "cimg.h"

#include <string>
#include <vector>

// Pictures larger than these are refused when read, before anything is allocated. The largest
// picture the tool makes is 4608 pixels square (21 million pixels); these are three times that
// and more, and keep the decoded picture under 200 MB.
inline constexpr int jpeg_max_side = 16384;
inline constexpr long long jpeg_max_pixels = 8192LL * 8192;

struct jpeg_size {
    int width = 0, height = 0;
};

// The size a JPEG file's header gives.
jpeg_size read_jpeg_size(const std::vector<unsigned char>& bytes, const std::string& file_name);

// The whole picture. Refuses, besides broken files: pictures over the limits above and CMYK
// pictures.
image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name);

// Only some rows of the picture: row i of the result is row `rows[i]` of the file. `rows` go
// down (a row may come twice) and lie inside the picture; the other rows are decoded and dropped.
image decode_jpeg_rows(const std::vector<unsigned char>& bytes, const std::string& file_name,
                       const std::vector<int>& rows);
