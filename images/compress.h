// Scaled-down copies of the capture results.
#pragma once

#include "image_errors.h"

#include <optional>
#include <string>

// Prefix of a compressed copy's name.
inline constexpr char compressed_prefix[] = "compress-";

// Name of the compressed copy of `file_name`: "compress-" in front of its file name, same folder.
std::string compressed_file_name(const std::string& file_name);

enum class compress_status {
    written,  // the copy replaced the earlier one
    missing,  // `file_name` is not there; nothing was written
    failed,   // it could not be decoded, or the copy could not be written; the earlier copy stays
};

struct compress_result {
    compress_status status = compress_status::written;
    std::optional<image_error> error;  // when failed
};

// Writes a copy of `file_name` scaled by `zoom` (nearest-neighbour) as a JPEG of the given
// quality, named by `compressed_file_name`.
compress_result compress_image(const std::string& file_name, float zoom, int quality);
