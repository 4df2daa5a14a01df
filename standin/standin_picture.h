// Pictures of the stand-in game: interleaved red, green, blue bytes, a few drawing helpers, and
// binary PPM files for maps shown from a file and maps written as ground truth.
#pragma once

#include <string>
#include <vector>

// A picture as interleaved red, green, blue bytes, top row first.
struct rgb_picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

struct colour {
    int r, g, b;
};

// Sets one pixel, each channel clamped to 0-255; points outside the picture are left out.
void put_pixel(rgb_picture& picture, int x, int y, colour c);

// Fills the half-open box [x0, x1) x [y0, y1).
void fill_box(rgb_picture& picture, int x0, int y0, int x1, int y1, colour c);

// Binary PPM (P6, maxval 255).
bool read_ppm(const std::string& file_name, rgb_picture& picture);
bool write_ppm(const std::string& file_name, const rgb_picture& picture);
