#include "image_files.h"

#include "jpeg_codec.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

using cimg_library::CImgIOException;

namespace {

std::string lower_extension(const std::string& file_name)
{
    std::string extension = std::filesystem::path(file_name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

[[noreturn]] void refuse(const std::string& file_name, read_status status)
{
    switch (status) {
    case read_status::missing:
        throw CImgIOException("'%s' is not there.", file_name.c_str());
    case read_status::not_regular:
        throw CImgIOException("'%s' is not a regular file (a folder, a pipe or a device): it is "
                              "not read.", file_name.c_str());
    default:
        throw CImgIOException("'%s' cannot be read.", file_name.c_str());
    }
}

}  // namespace

std::vector<unsigned char> read_image_file(const std::string& file_name)
{
    std::vector<unsigned char> bytes;
    const read_status status = read_regular_file(file_name, bytes);
    if (status != read_status::ok)
        refuse(file_name, status);
    return bytes;
}

image load_image(const std::string& file_name)
{
    const std::string extension = lower_extension(file_name);
    if (extension == ".jpg" || extension == ".jpeg")
        return decode_jpeg(read_image_file(file_name), file_name);
    if (extension != ".bmp")
        throw CImgIOException("'%s' is neither a BMP nor a JPEG file.", file_name.c_str());
    read_status status;
    std::FILE* file = open_regular_file(file_name, status);
    if (!file)
        refuse(file_name, status);
    image picture;
    try {
        picture.load_bmp(file);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    if (picture.is_empty())
        throw CImgIOException("'%s' holds no picture.", file_name.c_str());
    return picture;
}

void write_jpeg_bytes_pending(const jpeg_bytes& bytes, const std::string& file_name,
                              pending_file& pending)
{
    if (!write_pending_file(file_name, {{bytes.data.get(), bytes.size}}, pending))
        throw CImgIOException("Cannot write '%s' (is the disk full, or the folder read-only?).",
                              file_name.c_str());
}

void write_jpeg_pending(const image& picture, const std::string& file_name, int quality,
                        pending_file& pending)
{
    write_jpeg_bytes_pending(encode_jpeg(picture, quality), file_name, pending);
}

void commit_image_file(pending_file& pending)
{
    const std::string name = pending.name;
    if (!commit_pending_file(pending))
        throw CImgIOException("Cannot replace '%s' (is it a folder?).", name.c_str());
}

void save_jpeg_file(const image& picture, const std::string& file_name, int quality)
{
    pending_file pending;
    write_jpeg_pending(picture, file_name, quality, pending);
    commit_image_file(pending);
}
