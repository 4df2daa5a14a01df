#include "compress.h"

#include "image_files.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"

#include <filesystem>
#include <system_error>

std::string compressed_file_name(const std::string& file_name)
{
    const std::filesystem::path path(file_name);
    return (path.parent_path() / (compressed_prefix + path.filename().string())).string();
}

compress_result compress_image(const std::string& file_name, float zoom, int quality)
{
    // Any failure to learn the file's status counts as a missing file.
    std::error_code status_error;
    const std::filesystem::file_status status = std::filesystem::status(file_name, status_error);
    if (status_error || !std::filesystem::exists(status))
        return {compress_status::missing, std::nullopt};

    const auto error = catch_image_error([&] {
        const std::vector<unsigned char> bytes = read_image_file(file_name);
        const jpeg_size size = read_jpeg_size(bytes, full_name(file_name));
        // Products in double precision from the single-precision zoom, truncated toward zero.
        const int width = static_cast<int>(static_cast<double>(zoom) * size.width);
        const int height = static_cast<int>(static_cast<double>(zoom) * size.height);
        // Only the rows a nearest-neighbour resize keeps are decoded into the picture (row y is
        // the file's row y * height / new height); the resize then picks the columns.
        std::vector<int> kept_rows;
        for (int y = 0; y < height; ++y)
            kept_rows.push_back(static_cast<int>(static_cast<long long>(y) * size.height / height));
        image picture = decode_jpeg_rows(bytes, full_name(file_name), kept_rows);
        picture.resize(width, height, -100, -100, 1);
        save_jpeg_file(picture, compressed_file_name(file_name), quality);
    });
    if (error)
        return {compress_status::failed, error};
    return {compress_status::written, std::nullopt};
}
