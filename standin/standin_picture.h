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

inline unsigned char channel_byte(int value)
{
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Sets one pixel, each channel clamped to 0-255; points outside the picture are left out.
inline void put_pixel(rgb_picture& picture, int x, int y, colour c)
{
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return;
    unsigned char* p = &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3];
    p[0] = channel_byte(c.r);
    p[1] = channel_byte(c.g);
    p[2] = channel_byte(c.b);
}

// Fills the half-open box [x0, x1) x [y0, y1).
void fill_box(rgb_picture& picture, int x0, int y0, int x1, int y1, colour c);

// Binary PPM (P6, maxval 255).
bool read_ppm(const std::string& file_name, rgb_picture& picture);
bool write_ppm(const std::string& file_name, const rgb_picture& picture);
