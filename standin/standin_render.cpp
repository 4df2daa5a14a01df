#include "standin_render.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int width(const standin_box& box) { return box.right - box.left; }
constexpr int height(const standin_box& box) { return box.bottom - box.top; }

void fill(rgb_picture& picture, const standin_box& box, colour c)
{
    fill_box(picture, box.left, box.top, box.right, box.bottom, c);
}

// The interface around the map view: a stone-coloured frame, a side panel with the minimap and
// six buttons, and a status bar.
void draw_interface(rgb_picture& client, const standin_geometry& geometry,
                    const rgb_picture& minimap)
{
    const int w = geometry.drawn_width, h = geometry.drawn_height;
    fill(client, {w - 200, 0, w, h}, {52, 44, 70});
    const standin_box mini = geometry.minimap;
    fill(client, {mini.left - 2, mini.top - 2, mini.right + 2, mini.bottom + 2}, {200, 170, 60});
    for (int b = 0; b < 6; ++b) {
        const int x = w - 184 + (b % 2) * 84, y = 220 + (b / 2) * 56;
        fill(client, {x, y, x + 76, y + 44}, {150, 120, 50});
        fill(client, {x + 3, y + 3, x + 73, y + 41}, {110, 30, 30});
    }
    fill(client, {0, h - 40, w - 200, h}, {30, 30, 40});
    for (int y = 0; y < height(mini); ++y)
        std::memcpy(&client.pixels[((static_cast<size_t>(mini.top) + y) * client.width +
                                    mini.left) * 3],
                    &minimap.pixels[static_cast<size_t>(y) * width(mini) * 3],
                    static_cast<size_t>(width(mini)) * 3);
}

std::uint32_t mixed(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    return h ^ (h >> 16);
}

// The tiles beyond the map's edge, as the game lays them by place: 16 kinds of rock, one for
// every place in a square of four tiles, and the frame's edges and corners around the map; each
// a picture of one tile, made once.
struct edge_tiles {
    std::vector<rgb_picture> rock;   // by (x mod 4) + 4 (y mod 4)
    std::vector<rgb_picture> frame;  // by side: 0 top, 1 bottom, 2 left, 3 right, 4 a corner
};

rgb_picture tile_picture(const std::function<colour(int, int)>& at)
{
    const int t = standin_tile_pixels;
    rgb_picture tile{t, t, std::vector<unsigned char>(static_cast<size_t>(t) * t * 3)};
    for (int y = 0; y < t; ++y)
        for (int x = 0; x < t; ++x)
            put_pixel(tile, x, y, at(x, y));
    return tile;
}

const edge_tiles& beyond_the_edge()
{
    static const edge_tiles tiles = [] {
        edge_tiles made;
        for (int kind = 0; kind < 16; ++kind)
            made.rock.push_back(tile_picture([kind](int x, int y) {
                const std::uint32_t h = mixed(static_cast<std::uint32_t>(kind * 4099 + y * 37 + x));
                const int grain = static_cast<int>(h % 23) - 11;
                const bool crack = (x + 2 * y + kind * 5) % 29 == 0 || (3 * x + y + kind) % 41 == 0;
                const int shade = crack ? -18 : 0;
                return colour{58 + grain + shade, 50 + grain + shade, 44 + grain / 2 + shade};
            }));
        for (int side = 0; side < 5; ++side)
            made.frame.push_back(tile_picture([side](int x, int y) {
                // Along the edge the frame repeats every tile; across it, a band of gold.
                const int across = side == 0 ? 31 - y : side == 1 ? y : side == 2 ? 31 - x : x;
                const int along = side <= 1 ? x : y;
                const bool line = across == 3 || across == 4 || side == 4;
                const bool stud = along % 16 == 8 && across > 10 && across < 16;
                return line ? colour{214, 180, 80}
                       : stud ? colour{236, 210, 120}
                              : colour{122 - across * 2, 96 - across * 2, 44};
            }));
        return made;
    }();
    return tiles;
}

// What the game draws at map pixel (mx, my) outside the map of `side` pixels: its frame one tile
// wide, rock beyond it.
const unsigned char* beyond_pixel(int mx, int my, int side)
{
    const int t = standin_tile_pixels;
    const auto floor_div = [t](int v) { return v >= 0 ? v / t : -((-v + t - 1) / t); };
    const int tx = floor_div(mx), ty = floor_div(my), tiles = side / t;
    const int px = mx - tx * t, py = my - ty * t;
    const edge_tiles& made = beyond_the_edge();
    const bool in_frame = tx >= -1 && ty >= -1 && tx <= tiles && ty <= tiles;
    const rgb_picture* tile;
    if (in_frame) {
        const bool across_edge = tx == -1 || tx == tiles, down_edge = ty == -1 || ty == tiles;
        const int kind = across_edge && down_edge ? 4 : ty == -1 ? 0 : ty == tiles ? 1 : tx == -1 ? 2 : 3;
        tile = &made.frame[static_cast<size_t>(kind)];
    } else {
        const int kind = ((tx % 4) + 4) % 4 + 4 * (((ty % 4) + 4) % 4);
        tile = &made.rock[static_cast<size_t>(kind)];
    }
    return &tile->pixels[(static_cast<size_t>(py) * t + px) * 3];
}

// The colours of an animated tile's pixels in `row` from `first` to `end`, turned by the frame.
void turn_animated_tiles(const standin_game& game, unsigned char* row, const unsigned char* in,
                         int first, int end, int offset_x, int my)
{
    const int turn = game.frame % 3;
    for (int cx = first; cx < end; ++cx) {
        const int mx = cx - offset_x;
        if (!standin_tile_animates(mx / standin_tile_pixels, my / standin_tile_pixels, game.animated_percent)) {
            cx += standin_tile_pixels - 1 - mx % standin_tile_pixels;  // to the next tile
            continue;
        }
        unsigned char* out = row + cx * 3;
        const unsigned char* pixel = in + static_cast<size_t>(cx - first) * 3;
        for (int k = 0; k < 3; ++k)
            out[k] = pixel[(k + turn) % 3];
    }
}

// The map view, one to one, row by row: what lies beyond the map's edge (black, or the frame
// and the rock), the map's pixels in one copy, black where the land is unexplored. The map's
// top-left pixel is at (`offset_x`, `offset_y`).
void draw_view(rgb_picture& client, const standin_game& game, int offset_x, int offset_y)
{
    const standin_box view = game.geometry.view;
    const int side = game.map.width;
    const int unexplored = game.unexplored_tiles * standin_tile_pixels;
    for (int cy = view.top; cy < view.bottom; ++cy) {
        unsigned char* row = &client.pixels[static_cast<size_t>(cy) * client.width * 3];
        const int my = cy - offset_y;
        const bool map_row = my >= 0 && my < game.map.height;
        const int first = map_row ? std::clamp(offset_x, view.left, view.right) : view.right;
        const int end = map_row ? std::clamp(offset_x + side, first, view.right) : view.right;
        std::memset(row + view.left * 3, 0, static_cast<size_t>(width(view)) * 3);
        if (game.edge == standin_edge::rock)
            for (int cx = view.left; cx < view.right; ++cx)
                if (cx < first || cx >= end)
                    std::memcpy(row + cx * 3, beyond_pixel(cx - offset_x, my, side), 3);
        if (!map_row || first >= end)
            continue;
        if (my < unexplored || my >= game.map.height - unexplored)
            continue;
        const int land_first = std::max(first, offset_x + unexplored);
        const int land_end = std::min(end, offset_x + side - unexplored);
        if (land_first >= land_end)
            continue;
        const unsigned char* in =
            &game.map.pixels[(static_cast<size_t>(my) * side + (land_first - offset_x)) * 3];
        std::memcpy(row + land_first * 3, in, static_cast<size_t>(land_end - land_first) * 3);
        if (game.animated_percent != 0 && game.frame % 3 != 0)
            turn_animated_tiles(game, row, in, land_first, land_end, offset_x, my);
    }
}

// Where the view lies on the minimap: its outline in white.
void draw_view_outline(rgb_picture& client, const standin_game& game, int offset_x, int offset_y)
{
    const rgb_picture& map = game.map;
    if (map.width <= 0 || map.height <= 0)
        return;
    const standin_box mini = game.geometry.minimap, view = game.geometry.view;
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

// The picture the game drew, stretched to the window: each window pixel takes the nearest drawn
// one, so that no pixel is one to one.
rgb_picture stretched(const rgb_picture& drawn, int width, int height)
{
    rgb_picture client{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * drawn.height / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * drawn.width / width);
            std::memcpy(&client.pixels[(static_cast<size_t>(y) * width + x) * 3],
                        &drawn.pixels[(static_cast<size_t>(sy) * drawn.width + sx) * 3], 3);
        }
    }
    return client;
}

}  // namespace

rgb_picture render_client_area(const standin_game& game, int view_x, int view_y)
{
    const standin_geometry& geometry = game.geometry;
    const standin_box area{0, 0, geometry.drawn_width, geometry.drawn_height};
    const size_t bytes = static_cast<size_t>(width(area)) * height(area) * 3;
    rgb_picture client{width(area), height(area), std::vector<unsigned char>(bytes)};
    fill(client, area, {92, 74, 52});
    // A game drawn where a snapshot of its window cannot see it shows one colour.
    if (game.faults.blank)
        return geometry.stretch == 1 ? client : stretched(client, geometry.width, geometry.height);
    draw_interface(client, geometry, game.minimap);
    const int offset_x = geometry.corner_x - standin_tap_pixels * view_x;
    const int offset_y = geometry.corner_y - standin_tap_pixels * view_y;
    draw_view(client, game, offset_x, offset_y);
    draw_view_outline(client, game, offset_x, offset_y);
    if (geometry.drawn_width == geometry.width && geometry.drawn_height == geometry.height)
        return client;
    return stretched(client, geometry.width, geometry.height);
}
