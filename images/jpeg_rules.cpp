#include "jpeg_rules.h"

#include "image_errors.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"

#include <cstddef>
#include <numeric>

namespace {

[[noreturn]] void refuse(const std::string& file_name, const std::string& why)
{
    throw image_error(image_failure::file, "'" + file_name + "' " + why);
}

[[noreturn]] void unreadable(const std::string& file_name, const std::string& why)
{
    refuse(file_name, "is not a readable JPEG file: " + why + ".");
}

bool frame_marker(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Where the coded data that begins at `i` ends: at the next marker that is neither a stuffed
// byte, a fill byte, nor (where an interval was set) a restart marker.
std::size_t end_of_coded_data(const std::vector<unsigned char>& bytes, std::size_t i,
                              bool restarts, const std::string& file_name)
{
    const std::size_t n = bytes.size();
    while (i + 1 < n) {
        if (bytes[i] != 0xFF) {
            ++i;
            continue;
        }
        const int next = bytes[i + 1];
        if (next == 0x00 || next == 0xFF) {
            i += next == 0x00 ? 2 : 1;
        } else if (next >= 0xD0 && next <= 0xD7) {
            if (!restarts)
                unreadable(file_name, "its coded data holds a marker it cannot hold");
            i += 2;
        } else {
            break;
        }
    }
    return i;
}

// Walks the markers of a JPEG file. `on_segment(marker, start, length)` sees every segment's
// content and returns false to stop the walk; coded data after each scan header is checked on
// the way (only stuffed bytes, and restart markers where an interval was set, may stand in it).
// Returns true when the walk reached the end-of-image marker.
template <typename On_segment>
bool walk_markers(const std::vector<unsigned char>& bytes, const std::string& file_name,
                  On_segment on_segment)
{
    const std::size_t n = bytes.size();
    if (n < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        unreadable(file_name, "it does not begin as a JPEG file does");
    bool restarts = false;
    std::size_t i = 2;
    while (i + 1 < n) {
        if (bytes[i] != 0xFF)
            unreadable(file_name, "a marker is missing where one must be");
        const int marker = bytes[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= n)
            break;
        const std::size_t length = (std::size_t(bytes[i + 2]) << 8) | bytes[i + 3];
        if (length < 2 || i + 2 + length > n)
            break;
        if (!on_segment(marker, i + 4, length - 2))
            return false;
        if (marker == 0xDD && length >= 4)
            restarts = ((bytes[i + 4] << 8) | bytes[i + 5]) != 0;
        i += 2 + length;
        if (marker == 0xDA)
            i = end_of_coded_data(bytes, i, restarts, file_name);
    }
    unreadable(file_name, "it is cut short");
}

}  // namespace

void check_picture_to_encode(int width, int height, int channels)
{
    if (width <= 0 || height <= 0 || width > jpeg_largest_side || height > jpeg_largest_side ||
        (channels != 1 && channels < 3))
        throw image_error(image_failure::picture,
                          "Cannot save a " + std::to_string(width) + " x " +
                              std::to_string(height) + " picture of " + std::to_string(channels) +
                              " channels as JPEG.");
}

jpeg_header read_jpeg_header(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    jpeg_header header;
    const bool ended = walk_markers(bytes, file_name, [&](int marker, std::size_t at, std::size_t size) {
        if (!frame_marker(marker))
            return true;
        if (size < 6)
            unreadable(file_name, "its frame header is cut short");
        header.precision = bytes[at];
        header.height = (bytes[at + 1] << 8) | bytes[at + 2];
        header.width = (bytes[at + 3] << 8) | bytes[at + 4];
        header.components = bytes[at + 5];
        return false;
    });
    if (ended || header.components == 0)
        unreadable(file_name, "it has no frame header");
    return header;
}

void check_jpeg_readable(const jpeg_header& header, const std::string& file_name)
{
    if (header.width > jpeg_max_side || header.height > jpeg_max_side ||
        static_cast<long long>(header.width) * header.height > jpeg_max_pixels)
        refuse(file_name, "claims to be " + std::to_string(header.width) + " x " +
                              std::to_string(header.height) +
                              " pixels, far larger than any map: it is not read.");
    if (header.components == 4)
        refuse(file_name, "is a CMYK JPEG file, which is not read.");
    if (header.precision != 8 || (header.components != 1 && header.components != 3) ||
        header.width == 0 || header.height == 0)
        unreadable(file_name, "it holds " + std::to_string(header.precision) + "-bit samples of " +
                                  std::to_string(header.components) + " components");
}

void check_jpeg_whole(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    walk_markers(bytes, file_name, [](int, std::size_t, std::size_t) { return true; });
}

jpeg_header check_jpeg_to_decode(const std::vector<unsigned char>& bytes,
                                 const std::string& file_name, const std::vector<int>& rows)
{
    const jpeg_header header = read_jpeg_header(bytes, file_name);
    check_jpeg_readable(header, file_name);
    check_jpeg_whole(bytes, file_name);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] < 0 || rows[i] >= header.height || (i > 0 && rows[i] < rows[i - 1]))
            throw image_error(image_failure::picture,
                              "Rows asked of '" + file_name + "' do not go down inside it.");
    return header;
}

jpeg_bytes encode_jpeg(const image& picture, int quality)
{
    jpeg_encoder encoding = start_jpeg(picture.width(), picture.height(), picture.spectrum(), quality);
    add_jpeg_rows(*encoding, picture);
    return finish_jpeg(*encoding);
}

jpeg_size read_jpeg_size(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    const jpeg_header header = read_jpeg_header(bytes, file_name);
    return {header.width, header.height};
}

image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    std::vector<int> every_row(static_cast<std::size_t>(read_jpeg_size(bytes, file_name).height));
    std::iota(every_row.begin(), every_row.end(), 0);
    return decode_jpeg_rows(bytes, file_name, every_row);
}
