// Pixels of every true-colour visual turned into the snapshot file's rows: the usual 24-bit
// visual, 16-bit and 15-bit ones, packed 24-bit pixels, the other byte order, padded lines.
#include "x11_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct bgr {
    int b, g, r;
    bool operator==(const bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

std::ostream& operator<<(std::ostream& out, const bgr& p)
{
    return out << "(b " << p.b << ", g " << p.g << ", r " << p.r << ")";
}

// Pixel (x, y) of the picture, top row first, read from the bottom-up rows.
bgr at(const std::vector<unsigned char>& rows, int width, int height, int x, int y)
{
    const unsigned char* p = &rows[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
    return {p[0], p[1], p[2]};
}

// Stores `value` as a pixel of `bytes` bytes in the given byte order.
void put(std::vector<unsigned char>& data, size_t offset, unsigned long value, int bytes,
         bool most_significant_first)
{
    for (int i = 0; i < bytes; ++i) {
        const int shift = most_significant_first ? 8 * (bytes - 1 - i) : 8 * i;
        data[offset + i] = static_cast<unsigned char>(value >> shift);
    }
}

// One row of pixels with the given values, converted: the pixels it becomes, left to right.
std::vector<bgr> converted_row(const pixel_format& format, std::vector<unsigned long> values,
                               int bytes, bool most_significant_first = false)
{
    std::vector<unsigned char> data(values.size() * static_cast<size_t>(bytes));
    for (size_t i = 0; i < values.size(); ++i)
        put(data, i * static_cast<size_t>(bytes), values[i], bytes, most_significant_first);
    const int width = static_cast<int>(values.size());
    std::vector<unsigned char> rows(values.size() * 4);
    convert_to_bitmap_rows(data.data(), format, width, 1, rows.data());
    std::vector<bgr> pixels;
    for (int x = 0; x < width; ++x)
        pixels.push_back(at(rows, width, 1, x, 0));
    return pixels;
}

}  // namespace

TEST(PixelConversion, UsualVisualIsCopiedRowByRowBottomUp)
{
    const pixel_format format{32, false, 0xFF0000, 0xFF00, 0xFF, 8 + 4};  // a padded line
    std::vector<unsigned char> data(12 * 2);
    put(data, 0, 0x00102030, 4, false);
    put(data, 4, 0x00405060, 4, false);
    put(data, 12, 0x00A0B0C0, 4, false);
    put(data, 16, 0x00D0E0F0, 4, false);
    std::vector<unsigned char> rows(2 * 2 * 4);
    convert_to_bitmap_rows(data.data(), format, 2, 2, rows.data());
    EXPECT_EQ(at(rows, 2, 2, 0, 0), (bgr{0x30, 0x20, 0x10}));
    EXPECT_EQ(at(rows, 2, 2, 1, 0), (bgr{0x60, 0x50, 0x40}));
    EXPECT_EQ(at(rows, 2, 2, 0, 1), (bgr{0xC0, 0xB0, 0xA0}));
    EXPECT_EQ(at(rows, 2, 2, 1, 1), (bgr{0xF0, 0xE0, 0xD0}));
}

TEST(PixelConversion, SixteenBitChannelsAreScaledToTheFullRange)
{
    // 5-6-5: red in the top 5 bits, green 6, blue 5.
    const pixel_format format{16, false, 0xF800, 0x07E0, 0x001F, 6};
    // White, middle values, black.
    EXPECT_EQ(converted_row(format, {0xFFFF, (16u << 11) | (32u << 5) | 8u, 0x0000}, 2),
              (std::vector<bgr>{{255, 255, 255},
                                {8 * 255 / 31, 32 * 255 / 63, 16 * 255 / 31},
                                {0, 0, 0}}));
}

TEST(PixelConversion, FifteenBitPixelsInTheOtherByteOrder)
{
    const pixel_format format{16, true, 0x7C00, 0x03E0, 0x001F, 2};
    EXPECT_EQ(converted_row(format, {(31u << 10) | (0u << 5) | 15u}, 2, true),
              (std::vector<bgr>{{15 * 255 / 31, 0, 255}}));
}

TEST(PixelConversion, PackedPixelsWithBlueInTheHighBits)
{
    const pixel_format format{24, false, 0x0000FF, 0x00FF00, 0xFF0000, 6};
    // Blue 0x11, green 0x22, red 0x33.
    EXPECT_EQ(converted_row(format, {0x112233, 0xA0B0C0}, 3),
              (std::vector<bgr>{{0x11, 0x22, 0x33}, {0xA0, 0xB0, 0xC0}}));
}

TEST(PixelConversion, WideChannelsKeepTheirTopEightBits)
{
    // A 30-bit visual: 10 bits a channel.
    const pixel_format format{32, false, 0x3FF00000, 0x000FFC00, 0x000003FF, 4};
    EXPECT_EQ(converted_row(format, {(1023u << 20) | (512u << 10) | 3u}, 4),
              (std::vector<bgr>{{0, 128, 255}}));
}
