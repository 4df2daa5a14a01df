// JPEG files in and out through the tool's own use of libjpeg: what it writes, and every odd or
// hostile file it may be given to read: each is decoded correctly or refused with a message.
#include "image_errors.h"
#include "image_files.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"

#include "desktop.h"
#include "jpeg_rules_cases.h"
#include "picture_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

#include <jpeglib.h>

namespace {

enum class coding { baseline, progressive, arithmetic, cmyk };

// A JPEG made by libjpeg itself, independently of the tool's encoder.
std::vector<unsigned char> libjpeg_file(const image& picture, coding kind)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    const int components = kind == coding::cmyk ? 4 : 3;
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = components;
    info.in_color_space = kind == coding::cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (kind == coding::progressive)
        jpeg_simple_progression(&info);
    if (kind == coding::arithmetic)
        info.arith_code = TRUE;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(picture.width()) * components);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < picture.width(); ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<size_t>(x) * components + c] = picture(x, y, 0, c % 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> bytes(out, out + size);
    std::free(out);
    return bytes;
}

std::vector<unsigned char> bytes_of(const jpeg_bytes& file)
{
    return std::vector<unsigned char>(file.data.get(), file.data.get() + file.size);
}

// The offset of the first frame header (SOF0, SOF2 or SOF9) in a JPEG file.
size_t frame_header(const std::vector<unsigned char>& bytes)
{
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2 || bytes[i + 1] == 0xC9))
            return i;
    return 0;
}

// The message of the error that decoding raises, or "" when it decodes.
std::string refusal(const std::vector<unsigned char>& bytes)
{
    try {
        decode_jpeg(bytes, "result.jpg");
    } catch (const image_error& e) {
        EXPECT_EQ(e.what_failed, image_failure::file);
        return e.what();
    }
    return "";
}

long peak_kilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

TEST(JpegCodec, WritesWhatLibjpegItselfWritesWithItsDefaults)
{
    const image picture = test_pattern(97, 61);
    EXPECT_EQ(bytes_of(encode_jpeg(picture, 90)), libjpeg_file(picture, coding::baseline));
}

TEST(JpegCodec, ProgressiveAndArithmeticFilesDecodeLikeTheBaselineOne)
{
    const image picture = test_pattern(80, 40);
    const image baseline = decode_jpeg(libjpeg_file(picture, coding::baseline), "a.jpg");
    EXPECT_TRUE(decode_jpeg(libjpeg_file(picture, coding::progressive), "b.jpg") == baseline);
    // Arithmetic coding is lossless on the same coefficients: decoded alike, or refused.
    const std::vector<unsigned char> arithmetic = libjpeg_file(picture, coding::arithmetic);
    const std::string why = refusal(arithmetic);
    if (why.empty())
        EXPECT_TRUE(decode_jpeg(arithmetic, "c.jpg") == baseline);
    else
        EXPECT_NE(why.find("c.jpg"), std::string::npos);
}

TEST(JpegCodec, CmykFilesAreRefusedWithAMessage)
{
    EXPECT_NE(refusal(libjpeg_file(test_pattern(16, 16), coding::cmyk)).find("CMYK"), std::string::npos);
}

TEST(JpegCodec, HugeClaimedSizeIsRefusedAtOnceWithoutMemory)
{
    // A small file whose header claims 60000 x 60000 pixels.
    std::vector<unsigned char> bytes = libjpeg_file(test_pattern(16, 16), coding::baseline);
    const size_t sof = frame_header(bytes);
    ASSERT_GT(sof, 0u);
    for (const size_t field : {sof + 5, sof + 7}) {
        bytes[field] = 60000 >> 8;
        bytes[field + 1] = 60000 & 0xFF;
    }
    const long before = peak_kilobytes();
    const std::string why = refusal(bytes);
    EXPECT_NE(why.find("60000 x 60000"), std::string::npos) << why;
    EXPECT_LT(peak_kilobytes() - before, 20 * 1024) << "kilobytes taken by the attempt";
}

TEST(JpegCodec, KeepsTheRulesOfEveryCodec)
{
    run_jpeg_rules([](bool condition, const std::string& what) { EXPECT_TRUE(condition) << what; });
}
