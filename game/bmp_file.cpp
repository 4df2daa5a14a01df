#include "bmp_file.h"

#include "safe_files.h"

namespace {

void put_u16(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void put_u32(unsigned char* at, std::uint32_t value)
{
    put_u16(at, value & 0xFFFF);
    put_u16(at + 2, value >> 16);
}

}  // namespace

std::uint32_t bmp_pixel_bytes(int width, int height)
{
    const std::uint32_t row_bytes = ((static_cast<std::uint32_t>(width) * 32 + 31) / 32) * 4;
    return row_bytes * static_cast<std::uint32_t>(height);
}

std::array<unsigned char, bmp_info_header_bytes> bmp_info_header(int width, int height)
{
    std::array<unsigned char, bmp_info_header_bytes> header{};
    put_u32(&header[0], bmp_info_header_bytes);
    put_u32(&header[4], static_cast<std::uint32_t>(width));
    put_u32(&header[8], static_cast<std::uint32_t>(height));
    put_u16(&header[12], 1);   // planes
    put_u16(&header[14], 32);  // bits per pixel
    // compression, image size, resolutions and colour counts stay 0
    return header;
}

std::array<unsigned char, bmp_file_header_bytes> bmp_file_header(std::uint32_t pixel_bytes)
{
    std::array<unsigned char, bmp_file_header_bytes> header{};
    header[0] = 'B';
    header[1] = 'M';
    put_u32(&header[2], pixel_bytes + bmp_headers_bytes);
    put_u32(&header[10], bmp_headers_bytes);
    return header;
}

bool write_bmp_file(const std::string& file_name, int width, int height,
                    const unsigned char* pixel_rows)
{
    const std::uint32_t pixel_bytes = bmp_pixel_bytes(width, height);
    const auto file_header = bmp_file_header(pixel_bytes);
    const auto info_header = bmp_info_header(width, height);
    return replace_file(file_name, {{file_header.data(), file_header.size()},
                                    {info_header.data(), info_header.size()},
                                    {pixel_rows, pixel_bytes}},
                        file_care::scratch);
}
