#include "seam_check.h"

#include "game_contract.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int colour_tolerance = 8;
constexpr long fewest_pixels = 1024;
constexpr double most_differing = 0.2;
// Two snapshots of one view that differ in more than this share were drawn from different views.
constexpr double most_animated = 0.3;

int tile_width(const image& snapshot)
{
    return std::min(view_tile_pixels, snapshot.width() - view_tile_left);
}

int tile_height(const image& snapshot)
{
    return std::min(view_tile_pixels, snapshot.height() - view_tile_top);
}

bool pixels_differ(const image& a, int ax, int ay, const image& b, int bx, int by)
{
    const int channels = std::min({3, a.spectrum(), b.spectrum()});
    for (int k = 0; k < channels; ++k)
        if (std::abs(int(a(ax, ay, 0, k)) - int(b(bx, by, 0, k))) > colour_tolerance)
            return true;
    return false;
}

}  // namespace

bool note_moving_pixels(const image& earlier, const image& later, moving_pixels& moving)
{
    const int width = std::min(tile_width(earlier), tile_width(later));
    const int height = std::min(tile_height(earlier), tile_height(later));
    moving_pixels now(static_cast<size_t>(view_tile_pixels) * view_tile_pixels, false);
    long changed = 0;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            if (pixels_differ(earlier, view_tile_left + c, view_tile_top + r, later,
                              view_tile_left + c, view_tile_top + r)) {
                now[static_cast<size_t>(r) * view_tile_pixels + c] = true;
                ++changed;
            }
    if (width <= 0 || height <= 0 || changed > most_animated * width * height) {
        moving.clear();
        return false;
    }
    if (moving.empty())
        moving = std::move(now);
    else
        std::transform(moving.begin(), moving.end(), now.begin(), moving.begin(),
                       [](bool a, bool b) { return a || b; });
    return true;
}

seam_counts compare_seam(const image& canvas, const image& snapshot, int x, int y,
                         const photographed_area& area, const canvas_rect& map,
                         const moving_pixels& moving)
{
    seam_counts counts;
    const int width = tile_width(snapshot);
    const int height = tile_height(snapshot);
    for (int r = 0; r < height; ++r) {
        const int row = y + r;
        if (row < map.top || row >= map.bottom)
            continue;
        // The tile pixels of this row that lie in the photographed part of the map.
        const int first = std::max(0, map.left - x);
        const int end = std::min({width, map.right - x, area.columns_in_row(row) - x});
        for (int c = first; c < end; ++c) {
            if (!moving.empty() && moving[static_cast<size_t>(r) * view_tile_pixels + c])
                continue;
            ++counts.compared;
            counts.differing +=
                pixels_differ(snapshot, view_tile_left + c, view_tile_top + r, canvas, x + c, row);
        }
    }
    return counts;
}

bool seam_matches(const seam_counts& counts)
{
    return counts.compared < fewest_pixels ||
           counts.differing <= most_differing * static_cast<double>(counts.compared);
}
