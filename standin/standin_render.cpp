#include "standin_render.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int minimap_left = 616, minimap_top = 24;

}  // namespace

rgb_picture render_client_area(const standin_game& game, int view_x, int view_y)
{
    rgb_picture client{standin_client_width, standin_client_height,
                       std::vector<unsigned char>(
                           static_cast<size_t>(standin_client_width) * standin_client_height * 3)};
    // Interface: a stone-coloured frame, a side panel with buttons and a status bar.
    fill_box(client, 0, 0, standin_client_width, standin_client_height, {92, 74, 52});
    // A game drawn where a photograph of its window cannot see it shows one colour.
    if (game.faults.blank)
        return client;
    fill_box(client, 600, 0, 800, 600, {52, 44, 70});
    fill_box(client, minimap_left - 2, minimap_top - 2, minimap_left + standin_minimap_side + 2,
             minimap_top + standin_minimap_side + 2, {200, 170, 60});
    for (int b = 0; b < 6; ++b) {
        const int x = 616 + (b % 2) * 84, y = 220 + (b / 2) * 56;
        fill_box(client, x, y, x + 76, y + 44, {150, 120, 50});
        fill_box(client, x + 3, y + 3, x + 73, y + 41, {110, 30, 30});
    }
    fill_box(client, 0, 560, 600, 600, {30, 30, 40});

    for (int y = 0; y < standin_minimap_side; ++y)
        std::memcpy(&client.pixels[((static_cast<size_t>(minimap_top) + y) * client.width +
                                    minimap_left) * 3],
                    &game.minimap.pixels[static_cast<size_t>(y) * standin_minimap_side * 3],
                    static_cast<size_t>(standin_minimap_side) * 3);

    // The map view, one to one, black beyond the map.
    const int offset_x = standin_origin_x - tap_pixels * view_x;
    const int offset_y = standin_origin_y - tap_pixels * view_y;
    // Row by row: black, then the map's pixels in one copy, then black again.
    for (int cy = standin_view_top; cy < standin_view_bottom; ++cy) {
        unsigned char* row = &client.pixels[static_cast<size_t>(cy) * client.width * 3];
        const int my = cy - offset_y;
        const int first = std::clamp(offset_x, standin_view_left, standin_view_right);
        const int end = std::clamp(offset_x + game.map.width, first, standin_view_right);
        const bool on_map = my >= 0 && my < game.map.height && first < end;
        std::memset(row + standin_view_left * 3, 0,
                    static_cast<size_t>(standin_view_right - standin_view_left) * 3);
        if (!on_map)
            continue;
        const unsigned char* in =
            &game.map.pixels[(static_cast<size_t>(my) * game.map.width + (first - offset_x)) * 3];
        std::memcpy(row + first * 3, in, static_cast<size_t>(end - first) * 3);
        if (game.animated_percent == 0 || game.frame % 3 == 0)
            continue;
        // An animated tile shows its colours turned by the frame.
        const int turn = game.frame % 3;
        for (int cx = first; cx < end; ++cx) {
            const int mx = cx - offset_x;
            if (!standin_tile_animates(mx / tile_pixels, my / tile_pixels,
                                       game.animated_percent)) {
                cx += tile_pixels - 1 - mx % tile_pixels;  // to the next tile
                continue;
            }
            unsigned char* out = row + cx * 3;
            const unsigned char* pixel = in + static_cast<size_t>(cx - first) * 3;
            for (int k = 0; k < 3; ++k)
                out[k] = pixel[(k + turn) % 3];
        }
    }

    // Where the view lies on the minimap.
    if (game.map.width > 0 && game.map.height > 0) {
        const int x0 = minimap_left + (standin_view_left - offset_x) * standin_minimap_side / game.map.width;
        const int y0 = minimap_top + (standin_view_top - offset_y) * standin_minimap_side / game.map.height;
        const int x1 = minimap_left + (standin_view_right - offset_x) * standin_minimap_side / game.map.width;
        const int y1 = minimap_top + (standin_view_bottom - offset_y) * standin_minimap_side / game.map.height;
        const auto inside_minimap = [](int x, int y) {
            return x >= minimap_left && y >= minimap_top && x < minimap_left + standin_minimap_side &&
                   y < minimap_top + standin_minimap_side;
        };
        for (int x = x0; x < x1; ++x)
            for (int y : {y0, y1 - 1})
                if (inside_minimap(x, y))
                    put_pixel(client, x, y, {255, 255, 255});
        for (int y = y0; y < y1; ++y)
            for (int x : {x0, x1 - 1})
                if (inside_minimap(x, y))
                    put_pixel(client, x, y, {255, 255, 255});
    }
    return client;
}
