// Compressed copies: their size, the columns and rows they keep, their JPEG quality, and what
// happens with missing or broken inputs.
#include "compress.h"
#include "image_files.h"

#include "desktop.h"
#include "picture_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>

namespace {

struct compress_files : ::testing::Test {
    std::string folder = make_temporary_folder("compress");
    std::string result = folder + "/result.jpg";
    std::string copy = folder + "/compress-result.jpg";

    void write_result(int side) { save_jpeg_file(test_pattern(side, side), result, 80); }

    bool written(const std::string& file_name, float zoom, int quality)
    {
        return compress_image(file_name, zoom, quality).status == compress_status::written;
    }

    // Files in the folder other than the result and its copy: temporary files left behind.
    std::vector<std::string> leftovers()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().string();
            if (name != result && name != copy && name.find("reference") == std::string::npos)
                names.push_back(name);
        }
        return names;
    }

    void write_bytes(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
};

// The first luminance quantization table of a JPEG file.
std::vector<unsigned> quantization_of_file(const std::string& name)
{
    std::FILE* file = std::fopen(name.c_str(), "rb");
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    std::vector<unsigned> table(info.quant_tbl_ptrs[0]->quantval,
                                info.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return table;
}

// The table libjpeg itself uses at a quality.
std::vector<unsigned> quantization_at(int quality)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    std::vector<unsigned> table(info.quant_tbl_ptrs[0]->quantval,
                                info.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_compress(&info);
    return table;
}

}  // namespace

TEST_F(compress_files, CopySizesFollowTheZoom)
{
    write_result(1152);
    ASSERT_TRUE(written(result, 0.5f, 50));
    EXPECT_EQ(load_image(copy).width(), 576);
    EXPECT_EQ(load_image(copy).height(), 576);

    // 0.05 x 1152 = 57.6, truncated.
    ASSERT_TRUE(written(result, 0.05f, 50));
    EXPECT_EQ(load_image(copy).width(), 57);
    EXPECT_EQ(load_image(copy).height(), 57);

    ASSERT_TRUE(written(result, 1.0f, 75));
    EXPECT_EQ(load_image(copy).width(), 1152);
    EXPECT_EQ(load_image(copy).height(), 1152);
}

TEST_F(compress_files, NearestNeighbourKeepsColumnXTimesWidthOverNewWidth)
{
    // 10 x 7 at zoom 0.35: 3 x 2, keeping columns 0, 3, 6 and rows 0, 3.
    save_jpeg_file(test_pattern(10, 7), result, 80);
    const image source = load_image(result);
    ASSERT_TRUE(written(result, 0.35f, 70));

    image expected(3, 2, 1, 3);
    cimg_forXYC(expected, x, y, c) expected(x, y, 0, c) = source(x * 10 / 3, y * 7 / 2, 0, c);
    const std::string reference = folder + "/reference.jpg";
    save_jpeg_file(expected, reference, 70);
    EXPECT_EQ(load_image(copy), load_image(reference));
}

TEST_F(compress_files, ZoomOneHalfKeepsTheEvenColumnsAndRows)
{
    write_result(64);
    const image source = load_image(result);
    ASSERT_TRUE(written(result, 0.5f, 40));
    image expected(32, 32, 1, 3);
    cimg_forXYC(expected, x, y, c) expected(x, y, 0, c) = source(2 * x, 2 * y, 0, c);
    const std::string reference = folder + "/reference.jpg";
    save_jpeg_file(expected, reference, 40);
    EXPECT_EQ(load_image(copy), load_image(reference));
}

TEST_F(compress_files, CopyIsWrittenAtTheChosenQuality)
{
    write_result(256);
    for (int quality : {20, 50, 75}) {
        ASSERT_TRUE(written(result, 0.5f, quality));
        EXPECT_EQ(quantization_of_file(copy), quantization_at(quality)) << "quality " << quality;
    }
    EXPECT_EQ(quantization_of_file(result), quantization_at(80));
}

TEST_F(compress_files, MissingFileWritesNothing)
{
    EXPECT_EQ(compress_image(result, 0.5f, 50).status, compress_status::missing);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(compress_files, CopyNameIsPrefixedInTheSameFolder)
{
    EXPECT_EQ(compressed_file_name("result-grid.jpg"), "compress-result-grid.jpg");
    EXPECT_EQ(compressed_file_name("/a/b/result.jpg"), "/a/b/compress-result.jpg");
    // No fixed-size buffer: long names come through whole.
    const std::string long_name(300, 'x');
    EXPECT_EQ(compressed_file_name(long_name + ".jpg"), "compress-" + long_name + ".jpg");
}

TEST_F(compress_files, BrokenInputsFailAndLoseNothing)
{
    write_result(64);
    ASSERT_TRUE(written(result, 0.5f, 50));
    const std::string good_copy = read_text_file(copy);

    const std::string jpeg = read_text_file(result);
    const std::vector<std::pair<std::string, std::string>> inputs{
        {"garbage bytes", "this is not a picture at all, just some text"},
        {"an empty file", ""},
        {"a PNG", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 33)},
        {"the first bytes of a JPEG", jpeg.substr(0, 20)},
        {"half a JPEG", jpeg.substr(0, jpeg.size() / 2)},
    };
    for (const auto& [what, bytes] : inputs) {
        write_bytes(result, bytes);
        const compress_result done = compress_image(result, 0.5f, 50);
        ASSERT_EQ(done.status, compress_status::failed) << what;
        EXPECT_EQ(done.error->what_failed, image_failure::file) << what;
        EXPECT_NE(std::string(done.error->what()).find("result.jpg"), std::string::npos) << what;
        EXPECT_TRUE(read_text_file(copy) == good_copy) << what << " must not touch the earlier copy";
        EXPECT_TRUE(leftovers().empty()) << what;
    }
}

TEST_F(compress_files, FolderNamedLikeTheResultIsRefused)
{
    std::filesystem::create_directory(result);
    const compress_result done = compress_image(result, 0.5f, 50);
    ASSERT_EQ(done.status, compress_status::failed);
    EXPECT_EQ(done.error->what_failed, image_failure::file);
    EXPECT_FALSE(file_exists(copy));
}

TEST_F(compress_files, UnwritableCopyFailsAndKeepsTheEarlierCopy)
{
    write_result(64);
    ASSERT_TRUE(written(result, 0.5f, 50));
    const std::string good_copy = read_text_file(copy);
    // A folder in the way of the copy cannot be replaced, even by root.
    std::filesystem::remove(copy);
    std::filesystem::create_directory(copy);
    const compress_result done = compress_image(result, 0.25f, 50);
    ASSERT_EQ(done.status, compress_status::failed);
    EXPECT_EQ(done.error->what_failed, image_failure::file);
    EXPECT_NE(std::string(done.error->what()).find("': it is a folder."), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(copy));
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(compress_files, CopyThatWouldBeEmptyFailsInsteadOfWritingAnEmptyFile)
{
    save_jpeg_file(test_pattern(19, 19), result, 80);
    const compress_result done = compress_image(result, 0.05f, 50);
    ASSERT_EQ(done.status, compress_status::failed);
    EXPECT_EQ(done.error->what_failed, image_failure::picture);
    EXPECT_FALSE(file_exists(copy));
}
