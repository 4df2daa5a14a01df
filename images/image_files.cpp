#include "image_files.h"

#include "image_errors.h"
#include "jpeg_decoder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

std::string lower_extension(const std::string& file_name)
{
    std::string extension = std::filesystem::path(file_name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

[[noreturn]] void file_failed(const std::string& message)
{
    throw image_error(image_failure::file, message);
}

[[noreturn]] void refuse(const std::string& file_name, read_status status)
{
    const std::string name = "'" + full_name(file_name) + "'";
    switch (status) {
    case read_status::missing:
        file_failed(name + " is not there.");
    case read_status::not_regular:
        file_failed(name + " is not a regular file (a folder, a pipe or a device): it is not read.");
    default:
        file_failed(name + " cannot be read.");
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
        return decode_jpeg(read_image_file(file_name), full_name(file_name));
    if (extension != ".bmp")
        file_failed("'" + full_name(file_name) + "' is neither a BMP nor a JPEG file.");
    read_status status;
    std::FILE* file = open_regular_file(file_name, status);
    if (!file)
        refuse(file_name, status);
    image picture;
    std::string failure;
    try {
        picture.load_bmp(file);
    } catch (const cimg_library::CImgException& e) {
        failure = e.what();
    }
    std::fclose(file);
    if (!failure.empty())
        file_failed("'" + full_name(file_name) + "' is not a readable BMP file: " + failure);
    if (picture.is_empty())
        file_failed("'" + full_name(file_name) + "' holds no picture.");
    return picture;
}

void write_jpeg_bytes_pending(const jpeg_bytes& bytes, const std::string& file_name,
                              pending_file& pending)
{
    if (!write_pending_file(file_name, {{bytes.data.get(), bytes.size}}, pending))
        file_failed("Cannot write '" + full_name(file_name) +
                    "' (is the disk full, or the folder read-only?).");
}

std::string replace_refusal(const commit_outcome& done, const std::string& again)
{
    const std::string why = "Cannot replace '" + done.refused + "'";
    std::error_code error;
    if (std::filesystem::is_directory(done.refused, error))
        return why + ": it is a folder.";
    if (!done.held)
        return why + ".";
    if (done.holder.empty())
        return why + ": another program holds it open (a picture viewer showing it?). Close it "
                     "there and " + again + ".";
    return why + ": " + done.holder + " holds it open. Close it in " + done.holder + " and " +
           again + ".";
}

void save_jpeg_file(const image& picture, const std::string& file_name, int quality)
{
    pending_file pending;
    write_jpeg_bytes_pending(encode_jpeg(picture, quality), file_name, pending);
    // A copy is not waited for long: nothing tells the player meanwhile.
    const commit_outcome done = commit_pending_files({&pending}, std::chrono::seconds(2));
    if (!done.refused.empty())
        file_failed(replace_refusal(done, "try again"));
}
