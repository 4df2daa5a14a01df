#include "standin_picture.h"

#include "safe_files.h"

#include <algorithm>
#include <cstdio>

namespace {

unsigned char clamp_byte(int value)
{
    return static_cast<unsigned char>(std::clamp(value, 0, 255));
}

}  // namespace

void put_pixel(rgb_picture& picture, int x, int y, colour c)
{
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return;
    unsigned char* p = &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3];
    p[0] = clamp_byte(c.r);
    p[1] = clamp_byte(c.g);
    p[2] = clamp_byte(c.b);
}

void fill_box(rgb_picture& picture, int x0, int y0, int x1, int y1, colour c)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            put_pixel(picture, x, y, c);
}

bool read_ppm(const std::string& file_name, rgb_picture& picture)
{
    std::FILE* file = std::fopen(file_name.c_str(), "rb");
    if (!file)
        return false;
    int width = 0, height = 0, maxval = 0;
    const bool header = std::fscanf(file, "P6 %d %d %d", &width, &height, &maxval) == 3 &&
                        std::fgetc(file) != EOF && width > 0 && height > 0 &&
                        width <= 65536 && height <= 65536 && maxval == 255;
    bool ok = false;
    if (header) {
        picture.width = width;
        picture.height = height;
        picture.pixels.assign(static_cast<size_t>(width) * height * 3, 0);
        ok = std::fread(picture.pixels.data(), picture.pixels.size(), 1, file) == 1;
    }
    std::fclose(file);
    return ok;
}

bool write_ppm(const std::string& file_name, const rgb_picture& picture)
{
    const std::string header =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    return replace_file(file_name, {{header.data(), header.size()},
                                    {picture.pixels.data(), picture.pixels.size()}});
}

