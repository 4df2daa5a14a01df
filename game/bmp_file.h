// The snapshot file: an uncompressed 32-bit bitmap, rows stored bottom-up, each pixel blue,
// green, red and a fourth byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int bmp_file_header_bytes = 14;
inline constexpr int bmp_info_header_bytes = 40;
inline constexpr int bmp_headers_bytes = bmp_file_header_bytes + bmp_info_header_bytes;

// Bytes of pixel rows for a 32-bit bitmap: whole 4-byte words per row, so 4 x width x height.
std::uint32_t bmp_pixel_bytes(int width, int height);

// The 40-byte information header (BITMAPINFOHEADER) of a 32-bit bitmap with positive height.
std::array<unsigned char, bmp_info_header_bytes> bmp_info_header(int width, int height);

// The 14-byte file header that goes in front of it: "BM", file size, data offset 54.
std::array<unsigned char, bmp_file_header_bytes> bmp_file_header(std::uint32_t pixel_bytes);

// Writes a `width` x `height` bitmap from its pixel rows (bottom row first, 4 bytes a pixel) as
// `file_name`, replacing the earlier file only by a complete one; a scratch file, not flushed to
// the disk. False when it could not.
bool write_bmp_file(const std::string& file_name, int width, int height,
                    const unsigned char* pixel_rows);
