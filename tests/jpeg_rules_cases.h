// The rules every JPEG codec of the tool keeps, judged on decoded pixels and on refusals, written
// once: run against libjpeg by the Linux tests and against the Windows Imaging Component by the
// Windows test under Wine. `check(condition, what)` reports each case.
#pragma once

#include "image_errors.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"

#include <cstdlib>
#include <string>
#include <vector>

using jpeg_check = void (*)(bool condition, const std::string& what);

inline std::vector<unsigned char> jpeg_file_of(const image& picture, int quality)
{
    const jpeg_bytes file = encode_jpeg(picture, quality);
    return std::vector<unsigned char>(file.data.get(), file.data.get() + file.size);
}

// A picture with features everywhere: a gradient with a pattern on it.
inline image jpeg_test_picture(int width, int height)
{
    image picture(width, height, 1, 3);
    cimg_forXY(picture, x, y) {
        picture(x, y, 0, 0) = static_cast<unsigned char>(x * 3 + ((x / 8 + y / 8) % 2) * 40);
        picture(x, y, 0, 1) = static_cast<unsigned char>(y * 4);
        picture(x, y, 0, 2) = static_cast<unsigned char>(x + y);
    }
    return picture;
}

inline int largest_difference(const image& a, const image& b)
{
    int worst = 0;
    cimg_forXYC(a, x, y, c)
        worst = std::max(worst, std::abs(int(a(x, y, 0, c)) - int(b(x, y, 0, c))));
    return worst;
}

// The message of the file error that decoding raises; "" when it decodes.
inline std::string jpeg_refusal(const std::vector<unsigned char>& bytes)
{
    try {
        decode_jpeg(bytes, "result.jpg");
    } catch (const image_error& e) {
        return e.what_failed == image_failure::file ? e.what() : "not a file error";
    }
    return "";
}

inline size_t jpeg_frame_header_at(const std::vector<unsigned char>& bytes)
{
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2))
            return i;
    return 0;
}

inline double mean_difference(const image& a, const image& b)
{
    double total = 0;
    cimg_forXYC(a, x, y, c) total += std::abs(int(a(x, y, 0, c)) - int(b(x, y, 0, c)));
    return total / static_cast<double>(a.size());
}

// `quality_applies`: false where the codec is known to write every file at one quality (Wine's
// imitation of the Windows codec takes the quality option but does not apply it).
inline void run_jpeg_rules(jpeg_check check, bool quality_applies = true)
{
    // Round trip, and quality: the lower, the smaller the file and the further from the picture.
    const image picture = jpeg_test_picture(64, 48);
    const image best = decode_jpeg(jpeg_file_of(picture, 100), "best.jpg");
    check(best.width() == 64 && best.height() == 48 && best.spectrum() == 3, "size read back");
    check(mean_difference(best, picture) <= (quality_applies ? 2 : 6), "the picture reads back");
    if (quality_applies) {
        const std::vector<unsigned char> low = jpeg_file_of(picture, 20);
        check(low.size() < jpeg_file_of(picture, 90).size(), "quality 20 makes a smaller file");
        check(mean_difference(decode_jpeg(low, "low.jpg"), picture) >
                  mean_difference(best, picture),
              "quality 20 is further from the picture");
    }

    // Grey pictures come back as three equal channels.
    const image grey = decode_jpeg(jpeg_file_of(image(40, 24, 1, 1, 100), 80), "grey.jpg");
    bool equal = grey.spectrum() == 3;
    cimg_forXY(grey, x, y) equal = equal && grey(x, y, 0, 0) == grey(x, y, 0, 1) &&
                                   grey(x, y, 0, 1) == grey(x, y, 0, 2) &&
                                   std::abs(grey(x, y, 0, 0) - 100) <= 2;
    check(equal, "grey reads back as three equal channels");

    // Only the rows asked for, in order, a row twice.
    const std::vector<unsigned char> file = jpeg_file_of(jpeg_test_picture(96, 80), 80);
    const image whole = decode_jpeg(file, "rows.jpg");
    const std::vector<int> rows{0, 0, 5, 79};
    const image some = decode_jpeg_rows(file, "rows.jpg", rows);
    bool same_rows = some.height() == 4;
    for (int i = 0; same_rows && i < 4; ++i)
        same_rows = some.get_row(i) == whole.get_row(rows[static_cast<size_t>(i)]);
    check(same_rows, "rows asked for are the picture's rows");
    check(read_jpeg_size(file, "rows.jpg").width == 96, "size from the header");

    // Hostile files: refused with a file error, before any pixel where the header tells.
    const size_t sof = jpeg_frame_header_at(file);
    check(sof > 0, "a frame header in the files made");
    std::vector<unsigned char> huge = file;
    for (const size_t field : {sof + 5, sof + 7}) {
        huge[field] = 60000 >> 8;
        huge[field + 1] = 60000 & 0xFF;
    }
    check(jpeg_refusal(huge).find("60000 x 60000") != std::string::npos, "a huge size is refused");
    std::vector<unsigned char> cmyk = file;  // a fourth component in the frame header
    cmyk[sof + 3] += 3;
    cmyk[sof + 9] = 4;
    const unsigned char fourth[] = {4, 0x11, 0};
    cmyk.insert(cmyk.begin() + static_cast<long>(sof + 19), fourth, fourth + 3);
    check(jpeg_refusal(cmyk).find("CMYK") != std::string::npos, "CMYK is refused");
    std::vector<unsigned char> twelve_bit = file;
    twelve_bit[sof + 4] = 12;
    check(!jpeg_refusal(twelve_bit).empty(), "12-bit samples are refused");
    check(!jpeg_refusal({file.begin(), file.begin() + static_cast<long>(file.size() * 2 / 3)})
               .empty(),
          "a file cut short is refused");
    std::vector<unsigned char> corrupt = file;
    corrupt[corrupt.size() / 2] = 0xFF;
    corrupt[corrupt.size() / 2 + 1] = 0xD5;
    check(!jpeg_refusal(corrupt).empty(), "a marker inside the coded data is refused");
    check(!jpeg_refusal({}).empty(), "an empty file is refused");
    check(jpeg_refusal(file).empty(), "the sound file decodes");

    // Pictures that JPEG cannot hold are not written.
    for (const image& wrong : {image(), image(65501, 1, 1, 3, 0), image(8, 8, 1, 2, 0)}) {
        bool refused = false;
        try {
            encode_jpeg(wrong, 80);
        } catch (const image_error& e) {
            refused = e.what_failed == image_failure::picture;
        }
        check(refused, "a picture JPEG cannot hold is not written");
    }
}
