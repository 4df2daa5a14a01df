// The tool's image files: the snapshot read back, JPEG results and copies read and written. All
// reading goes only to regular files; all writing goes through a new file of the tool's own that
// replaces the final name when complete (see safe_files.h). Failures are thrown as image errors
// (image_errors.h) that name the file.
#pragma once

#include "cimg.h"
#include "jpeg_encoder.h"
#include "safe_files.h"

#include <string>
#include <vector>

// Loads a BMP or JPEG file, the format chosen from the file name's ending. Fails when the file is
// missing, not a regular file, or cannot be decoded.
image load_image(const std::string& file_name);

// The bytes of an input file. Fails when it is missing or not a regular file.
std::vector<unsigned char> read_image_file(const std::string& file_name);

// Writes an encoded JPEG into a new file beside `file_name`, which stays untouched until the
// pending file is committed. Fails, leaving nothing behind, when it cannot.
void write_jpeg_bytes_pending(const jpeg_bytes& bytes, const std::string& file_name,
                              pending_file& pending);

// Why a final name could not be replaced, for the player: the file in full, and the program
// holding it open with what to do, ending "… and `again`." ("capture again").
std::string replace_refusal(const commit_outcome& done, const std::string& again);

// `picture` encoded as a JPEG of `quality`, written and committed: `file_name` is replaced by the
// whole new JPEG, or keeps what it held.
void save_jpeg_file(const image& picture, const std::string& file_name, int quality);
