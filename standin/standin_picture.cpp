#include "standin_picture.h"

#include "safe_files.h"

#include <algorithm>
#include <cstdio>

// Row by row: a stand-in draws its whole window for every view, and the tests draw the maps of
// every size.
void fill_box(rgb_picture& picture, int x0, int y0, int x1, int y1, colour c)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, picture.width);
    y1 = std::min(y1, picture.height);
    const unsigned char rgb[3] = {channel_byte(c.r), channel_byte(c.g), channel_byte(c.b)};
    for (int y = y0; y < y1; ++y) {
        unsigned char* p = &picture.pixels[(static_cast<size_t>(y) * picture.width + x0) * 3];
        for (int x = x0; x < x1; ++x, p += 3) {
            p[0] = rgb[0];
            p[1] = rgb[1];
            p[2] = rgb[2];
        }
    }
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

