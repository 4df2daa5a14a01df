#include "standin_render.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int width(const standin_box& box) { return box.right - box.left; }
constexpr int height(const standin_box& box) { return box.bottom - box.top; }

void fill(rgb_picture& picture, const standin_box& box, colour c)
{
    fill_box(picture, box.left, box.top, box.right, box.bottom, c);
}

// The interface around the map view: a stone-coloured frame, a side panel with the minimap and
// six buttons, and a status bar.
void draw_interface(rgb_picture& client, const rgb_picture& minimap)
{
    fill(client, {600, 0, 800, 600}, {52, 44, 70});
    const standin_box mini = standin_minimap;
    fill(client, {mini.left - 2, mini.top - 2, mini.right + 2, mini.bottom + 2}, {200, 170, 60});
    for (int b = 0; b < 6; ++b) {
        const int x = 616 + (b % 2) * 84, y = 220 + (b / 2) * 56;
        fill(client, {x, y, x + 76, y + 44}, {150, 120, 50});
        fill(client, {x + 3, y + 3, x + 73, y + 41}, {110, 30, 30});
    }
    fill(client, {0, 560, 600, 600}, {30, 30, 40});
    for (int y = 0; y < height(mini); ++y)
        std::memcpy(&client.pixels[((static_cast<size_t>(mini.top) + y) * client.width +
                                    mini.left) * 3],
                    &minimap.pixels[static_cast<size_t>(y) * width(mini) * 3],
                    static_cast<size_t>(width(mini)) * 3);
}

// The colours of an animated tile's pixels in `row` from `first` to `end`, turned by the frame.
void turn_animated_tiles(const standin_game& game, unsigned char* row, const unsigned char* in,
                         int first, int end, int offset_x, int my)
{
    const int turn = game.frame % 3;
    for (int cx = first; cx < end; ++cx) {
        const int mx = cx - offset_x;
        if (!standin_tile_animates(mx / tile_pixels, my / tile_pixels, game.animated_percent)) {
            cx += tile_pixels - 1 - mx % tile_pixels;  // to the next tile
            continue;
        }
        unsigned char* out = row + cx * 3;
        const unsigned char* pixel = in + static_cast<size_t>(cx - first) * 3;
        for (int k = 0; k < 3; ++k)
            out[k] = pixel[(k + turn) % 3];
    }
}

// The map view, one to one, black beyond the map: row by row, black, then the map's pixels in
// one copy, then black again. The map's top-left pixel is at (`offset_x`, `offset_y`).
void draw_view(rgb_picture& client, const standin_game& game, int offset_x, int offset_y)
{
    const standin_box view = standin_view_area;
    for (int cy = view.top; cy < view.bottom; ++cy) {
        unsigned char* row = &client.pixels[static_cast<size_t>(cy) * client.width * 3];
        const int my = cy - offset_y;
        const int first = std::clamp(offset_x, view.left, view.right);
        const int end = std::clamp(offset_x + game.map.width, first, view.right);
        std::memset(row + view.left * 3, 0, static_cast<size_t>(width(view)) * 3);
        if (my < 0 || my >= game.map.height || first >= end)
            continue;
        const unsigned char* in =
            &game.map.pixels[(static_cast<size_t>(my) * game.map.width + (first - offset_x)) * 3];
        std::memcpy(row + first * 3, in, static_cast<size_t>(end - first) * 3);
        if (game.animated_percent != 0 && game.frame % 3 != 0)
            turn_animated_tiles(game, row, in, first, end, offset_x, my);
    }
}

// Where the view lies on the minimap: its outline in white.
void draw_view_outline(rgb_picture& client, const rgb_picture& map, int offset_x, int offset_y)
{
    if (map.width <= 0 || map.height <= 0)
        return;
    const standin_box mini = standin_minimap, view = standin_view_area;
    const auto on_minimap_x = [&](int x) {
        return mini.left + (x - offset_x) * width(mini) / map.width;
    };
    const auto on_minimap_y = [&](int y) {
        return mini.top + (y - offset_y) * height(mini) / map.height;
    };
    const int x0 = on_minimap_x(view.left), x1 = on_minimap_x(view.right);
    const int y0 = on_minimap_y(view.top), y1 = on_minimap_y(view.bottom);
    const auto mark = [&](int x, int y) {
        if (x >= mini.left && y >= mini.top && x < mini.right && y < mini.bottom)
            put_pixel(client, x, y, {255, 255, 255});
    };
    for (int x = x0; x < x1; ++x) {
        mark(x, y0);
        mark(x, y1 - 1);
    }
    for (int y = y0; y < y1; ++y) {
        mark(x0, y);
        mark(x1 - 1, y);
    }
}

}  // namespace

rgb_picture render_client_area(const standin_game& game, int view_x, int view_y)
{
    const standin_box area = standin_client;
    const size_t bytes = static_cast<size_t>(width(area)) * height(area) * 3;
    rgb_picture client{width(area), height(area), std::vector<unsigned char>(bytes)};
    fill(client, area, {92, 74, 52});
    // A game drawn where a snapshot of its window cannot see it shows one colour.
    if (game.faults.blank)
        return client;
    draw_interface(client, game.minimap);
    const int offset_x = view_tile_left + limit_origin_pixels - tap_pixels * view_x;
    const int offset_y = view_tile_top + limit_origin_pixels - tap_pixels * view_y;
    draw_view(client, game, offset_x, offset_y);
    draw_view_outline(client, game.map, offset_x, offset_y);
    return client;
}
