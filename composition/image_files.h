// Reading and writing the tool's image files, and turning the image library's errors into a
// message the control window can show.
#pragma once

#include "cimg.h"

#include <string>

// Loads a BMP or JPEG file, the format chosen from the file name's ending. Throws the image
// library's exceptions when the file cannot be opened or decoded.
image load_image(const std::string& file_name);

// Writes `picture` as a JPEG of the given quality under the temporary name of `file_name`; the
// final name is untouched until `commit_image_file`. Throws CImgIOException or CImgArgumentException.
void save_jpeg_partial(const image& picture, const std::string& file_name, unsigned quality);

// Renames the temporary file over `file_name`; throws CImgIOException when that fails.
void commit_image_file(const std::string& file_name);

// Removes a temporary file left by `save_jpeg_partial`.
void discard_image_file(const std::string& file_name);

// Throws CImgIOException when no file can be made beside `file_name` (a read-only folder), so
// that a long job can stop before it starts.
void check_writable_beside(const std::string& file_name);

// `save_jpeg_partial` followed by `commit_image_file`.
void save_jpeg_replacing(const image& picture, const std::string& file_name, unsigned quality);
