// Scaled-down copies of the capture results.
#pragma once

#include <string>

// Prefix of a compressed copy's name.
inline constexpr char compressed_prefix[] = "compress-";

// Name of the compressed copy of `file_name`: "compress-" in front of its file name, same folder.
std::string compressed_file_name(const std::string& file_name);

// Writes a copy of `file_name` scaled by `zoom` (nearest-neighbour) as a JPEG of the given
// quality, named by `compressed_file_name`. Returns false, writing nothing, when `file_name` does
// not exist. Throws the image library's exceptions when the file cannot be decoded, the copy
// would be empty, or the copy cannot be written; the earlier copy then stays as it was.
bool compress_image(const std::string& file_name, float zoom, int quality);
