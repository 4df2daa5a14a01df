#include "image_files.h"

#include "image_errors.h"

#include "replace_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

using cimg_library::CImgArgumentException;
using cimg_library::CImgException;
using cimg_library::CImgInstanceException;
using cimg_library::CImgIOException;

namespace {

// The largest side libjpeg can encode.
constexpr unsigned jpeg_max_side = 65500;

std::string lower_extension(const std::string& file_name)
{
    std::string extension = std::filesystem::path(file_name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

image load_image(const std::string& file_name)
{
    const std::string extension = lower_extension(file_name);
    const bool bmp = extension == ".bmp";
    if (!bmp && extension != ".jpg" && extension != ".jpeg")
        throw CImgIOException("load_image(): Unknown format of file '%s'.", file_name.c_str());
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_name, error))
        throw CImgIOException("load_image(): '%s' is not a readable file.", file_name.c_str());
    // Loading through an open file keeps the library from handing odd files to a converter program.
    std::FILE* file = std::fopen(file_name.c_str(), "rb");
    if (!file)
        throw CImgIOException("load_image(): Failed to open file '%s'.", file_name.c_str());
    image picture;
    try {
        if (bmp)
            picture.load_bmp(file);
        else
            picture.load_jpeg(file);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    if (picture.is_empty())
        throw CImgIOException("load_image(): File '%s' holds no picture.", file_name.c_str());
    return picture;
}

void save_jpeg_partial(const image& picture, const std::string& file_name, unsigned quality)
{
    // libjpeg ends the process on these, and an empty picture would make an empty file.
    if (picture.is_empty() || picture.width() > static_cast<int>(jpeg_max_side) ||
        picture.height() > static_cast<int>(jpeg_max_side))
        throw CImgArgumentException(
            "save_jpeg(): Cannot save a %d x %d picture as JPEG file '%s'.", picture.width(),
            picture.height(), file_name.c_str());
    const bool written = write_partial_file(file_name, [&](std::FILE* file) {
        picture.save_jpeg(file, quality);
        return true;
    });
    if (!written)
        throw CImgIOException("save_jpeg(): Failed to write file '%s'.", file_name.c_str());
}

void commit_image_file(const std::string& file_name)
{
    if (!commit_partial_file(file_name))
        throw CImgIOException("save_jpeg(): Failed to replace file '%s'.", file_name.c_str());
}

void discard_image_file(const std::string& file_name)
{
    discard_partial_file(file_name);
}

void check_writable_beside(const std::string& file_name)
{
    if (!write_partial_file(file_name, [](std::FILE*) { return true; }))
        throw CImgIOException("Cannot write files into the folder of '%s'.", file_name.c_str());
    discard_partial_file(file_name);
}

void save_jpeg_replacing(const image& picture, const std::string& file_name, unsigned quality)
{
    save_jpeg_partial(picture, file_name, quality);
    commit_image_file(file_name);
}

std::optional<image_error> run_image_action(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CImgIOException& e) {
        return image_error{"CImgIOException", e.what()};
    } catch (const CImgArgumentException& e) {
        return image_error{"CImgArgumentException", e.what()};
    } catch (const CImgInstanceException& e) {
        return image_error{"CImgInstanceException", e.what()};
    } catch (const CImgException& e) {
        return image_error{"CImgException", e.what()};
    } catch (const std::bad_alloc&) {
        return image_error{"std::bad_alloc", "Not enough memory for the pictures."};
    } catch (const std::exception& e) {
        return image_error{"std::exception", e.what()};
    }
    return std::nullopt;
}
