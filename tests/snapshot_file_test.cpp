// The snapshot file's layout, and that the image library reads it back as written.
#include "bmp_file.h"
#include "image_files.h"

#include "desktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

TEST(SnapshotFile, HeaderOfA512Square)
{
    const std::uint32_t pixels = bmp_pixel_bytes(512, 512);
    EXPECT_EQ(pixels, 4u * 512 * 512);
    std::vector<unsigned char> bytes;
    const auto file_header = bmp_file_header(pixels);
    const auto info_header = bmp_info_header(512, 512);
    bytes.insert(bytes.end(), file_header.begin(), file_header.end());
    bytes.insert(bytes.end(), info_header.begin(), info_header.end());
    const std::uint32_t size = 4 * 512 * 512 + 54;
    const std::vector<unsigned char> expected{
        'B', 'M',
        static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
        static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24),
        0, 0, 0, 0,        // reserved
        54, 0, 0, 0,       // offset of pixel data
        40, 0, 0, 0,       // header size
        0, 2, 0, 0,        // width 512
        0, 2, 0, 0,        // height +512: bottom row first
        1, 0,              // planes
        32, 0,             // bits per pixel
        0, 0, 0, 0,        // uncompressed
        0, 0, 0, 0,        // image size
        0, 0, 0, 0, 0, 0, 0, 0,  // resolutions
        0, 0, 0, 0, 0, 0, 0, 0,  // colours
    };
    EXPECT_EQ(bytes, expected);
}

TEST(SnapshotFile, OddWidthsNeedNoRowPadding)
{
    EXPECT_EQ(bmp_pixel_bytes(801, 3), 4u * 801 * 3);
    EXPECT_EQ(bmp_pixel_bytes(1, 1), 4u);
}

TEST(SnapshotFile, ImageLibraryReadsItBackBottomRowFirst)
{
    const std::string folder = make_temporary_folder("bmp");
    const std::string name = folder + "/tmp.bmp";
    const int width = 7, height = 5;
    std::vector<unsigned char> rows(bmp_pixel_bytes(width, height));
    // Stored row r is picture row height-1-r; each pixel blue, green, red, fourth byte.
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rows[(static_cast<size_t>(r) * width + x) * 4];
            const int y = height - 1 - r;
            p[0] = static_cast<unsigned char>(10 * x + y);        // blue
            p[1] = static_cast<unsigned char>(100 + x);           // green
            p[2] = static_cast<unsigned char>(200 + y);           // red
            p[3] = 0xEE;
        }
    ASSERT_TRUE(write_bmp_file(name, width, height, rows.data()));
    EXPECT_EQ(read_text_file(name).size(), 54u + 4 * width * height);
    const image picture = load_image(name);
    ASSERT_EQ(picture.width(), width);
    ASSERT_EQ(picture.height(), height);
    ASSERT_EQ(picture.spectrum(), 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(picture(x, y, 0, 0), 200 + y);
            EXPECT_EQ(picture(x, y, 0, 1), 100 + x);
            EXPECT_EQ(picture(x, y, 0, 2), 10 * x + y);
        }
}
