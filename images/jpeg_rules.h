// What every JPEG codec of the tool holds to, whichever library does the coding (libjpeg on
// Linux, the Windows Imaging Component on Windows): the pictures it writes, the files it reads
// before any pixel is decoded, and the rows it hands back. Broken rules throw the tool's image
// errors, with the same words on every platform.
#pragma once

#include <string>
#include <vector>

// The largest side a JPEG file can hold.
inline constexpr int jpeg_largest_side = 65500;

// A picture of `channels` (1: grey, 3: red, green, blue) that can be written as JPEG.
void check_picture_to_encode(int width, int height, int channels);

// What a JPEG file's frame header says.
struct jpeg_header {
    int width = 0, height = 0;
    int components = 0;  // 1 grey, 3 colour, 4 CMYK
    int precision = 0;   // bits a sample
};

// The frame header of a JPEG file; throws a file error naming `file_name` when the file is not
// JPEG or is cut short before it.
jpeg_header read_jpeg_header(const std::vector<unsigned char>& bytes, const std::string& file_name);

// Refuses (a file error) what the tool does not read: pictures over the limits in
// jpeg_decoder.h (before anything is allocated), CMYK pictures, and samples of other than 8 bits.
void check_jpeg_readable(const jpeg_header& header, const std::string& file_name);

// Refuses a file whose coded data is cut short, or holds markers where coded data cannot have
// them: a decoder would only warn, and fill in grey.
void check_jpeg_whole(const std::vector<unsigned char>& bytes, const std::string& file_name);

// Everything above before `rows` of the file are decoded (rows that go down, a row may come
// twice, inside the picture); the frame header.
jpeg_header check_jpeg_to_decode(const std::vector<unsigned char>& bytes,
                                 const std::string& file_name, const std::vector<int>& rows);

// Each codec provides start_jpeg, add_jpeg_rows, finish_jpeg and decode_jpeg_rows; what is made
// of those (encode_jpeg, decode_jpeg, read_jpeg_size) is written once, in jpeg_rules.cpp.
