#include "result_files.h"

#include "desktop.h"
#include "image_files.h"
#include "tile_grid.h"

#include <sstream>

std::string differing_tiles(const image& got, const image& expected)
{
    if (got.width() != expected.width() || got.height() != expected.height())
        return "the sizes differ";
    std::ostringstream report;
    int shown = 0, count = 0;
    for (int ty = 0; ty < expected.height() / 32; ++ty)
        for (int tx = 0; tx < expected.width() / 32; ++tx) {
            int worst = 0;
            for (int y = ty * 32; y < ty * 32 + 32; ++y)
                for (int x = tx * 32; x < tx * 32 + 32; ++x)
                    for (int c = 0; c < 3; ++c)
                        worst = std::max(worst, std::abs(got(x, y, 0, c) - expected(x, y, 0, c)));
            if (worst) {
                ++count;
                if (shown++ < 12)
                    report << " tile (" << tx << ", " << ty << ") off by up to " << worst << ";";
            }
        }
    return count ? std::to_string(count) + " tiles differ:" + report.str() : "";
}

std::string wrong_result_files(const std::string& folder, image map)
{
    const std::string truth = folder + "/truth.jpg";
    save_jpeg_file(map, truth, 80);
    if (read_text_file(folder + "/result.jpg") != read_text_file(truth))
        return "result.jpg is not the map: " +
               differing_tiles(load_image(folder + "/result.jpg"), load_image(truth));
    draw_tile_grid(map, map.width());
    save_jpeg_file(map, truth, 80);
    if (read_text_file(folder + "/result-grid.jpg") != read_text_file(truth))
        return "result-grid.jpg is not the map with its grid";
    return "";
}
