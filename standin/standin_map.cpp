#include "standin_map.h"

#include "standin_geometry.h"

#include <algorithm>
#include <utility>

namespace {

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t hash3(std::uint32_t seed, int a, int b)
{
    return mix((static_cast<std::uint64_t>(seed) << 40) ^
               (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 20) ^
               static_cast<std::uint32_t>(b));
}

const colour terrain_colours[] = {
    {62, 138, 52},    // grass
    {139, 108, 62},   // dirt
    {208, 188, 118},  // sand
    {228, 234, 240},  // snow
    {72, 92, 62},     // swamp
    {150, 122, 92},   // rough
    {96, 44, 32},     // lava
    {40, 82, 168},    // water
    {104, 82, 72},    // subterranean
};
constexpr int terrain_count = sizeof terrain_colours / sizeof terrain_colours[0];

const colour object_colours[] = {
    {220, 40, 40}, {250, 210, 40}, {245, 245, 245}, {140, 60, 200}, {30, 30, 30}, {250, 130, 20},
};

// Terrain of every tile: the terrain of the nearest of a few region centres.
std::vector<int> terrain_of_tiles(int tiles, std::uint32_t seed)
{
    const int centres = std::max(4, tiles * tiles / 48);
    std::vector<int> cx(centres), cy(centres), kind(centres);
    for (int i = 0; i < centres; ++i) {
        const std::uint64_t h = hash3(seed, i, -1);
        cx[i] = static_cast<int>(h % tiles);
        cy[i] = static_cast<int>((h >> 16) % tiles);
        kind[i] = static_cast<int>((h >> 32) % terrain_count);
    }
    std::vector<int> terrain(static_cast<size_t>(tiles) * tiles);
    for (int ty = 0; ty < tiles; ++ty) {
        for (int tx = 0; tx < tiles; ++tx) {
            int best = 0;
            long best_distance = -1;
            for (int i = 0; i < centres; ++i) {
                const long d = static_cast<long>(tx - cx[i]) * (tx - cx[i]) +
                               static_cast<long>(ty - cy[i]) * (ty - cy[i]);
                if (best_distance < 0 || d < best_distance) {
                    best_distance = d;
                    best = i;
                }
            }
            terrain[static_cast<size_t>(ty) * tiles + tx] = kind[best];
        }
    }
    return terrain;
}

void draw_roads(rgb_picture& map, int tiles, std::uint32_t seed)
{
    const int roads = std::max(2, tiles / 12);
    for (int r = 0; r < roads; ++r) {
        std::uint64_t h = hash3(seed, r, -2);
        int tx = static_cast<int>(h % tiles), ty = static_cast<int>((h >> 20) % tiles);
        for (int step = 0; step < tiles * 2; ++step) {
            const int x0 = tx * standin_tile_pixels + 12, y0 = ty * standin_tile_pixels + 12;
            fill_box(map, x0, y0, x0 + 8, y0 + 8, {170, 150, 120});
            h = mix(h);
            const int direction = static_cast<int>(h % 4);
            const int nx = tx + (direction == 0) - (direction == 1);
            const int ny = ty + (direction == 2) - (direction == 3);
            if (nx < 0 || ny < 0 || nx >= tiles || ny >= tiles)
                continue;
            // Join the two tile centres with a band of road.
            fill_box(map, std::min(tx, nx) * standin_tile_pixels + 12, std::min(ty, ny) * standin_tile_pixels + 12,
                     std::max(tx, nx) * standin_tile_pixels + 20, std::max(ty, ny) * standin_tile_pixels + 20,
                     {170, 150, 120});
            tx = nx;
            ty = ny;
        }
    }
}

void draw_objects(rgb_picture& map, int tiles, std::uint32_t seed)
{
    const int objects = tiles * tiles / 10;
    for (int i = 0; i < objects; ++i) {
        const std::uint64_t h = hash3(seed, i, -3);
        const int x = static_cast<int>(h % map.width);
        const int y = static_cast<int>((h >> 16) % map.height);
        const int size = 6 + static_cast<int>((h >> 32) % 12);
        const colour c = object_colours[(h >> 40) % (sizeof object_colours / sizeof *object_colours)];
        fill_box(map, x - 1, y - 1, x + size + 1, y + size + 1, {20, 20, 20});
        fill_box(map, x, y, x + size, y + size, c);
        put_pixel(map, x + size / 2, y + size / 2, {c.b, c.r, c.g});
    }
}

}  // namespace

rgb_picture generate_map(int side, std::uint32_t seed)
{
    rgb_picture map{side, side, std::vector<unsigned char>(static_cast<size_t>(side) * side * 3)};
    const int tiles = side / standin_tile_pixels;
    const std::vector<int> terrain = terrain_of_tiles(tiles, seed);
    // A mark at a spot of its own in every tile, so that no two tiles look alike: its corner in
    // the tile, worked out once per tile.
    const int tile_columns = (side + standin_tile_pixels - 1) / standin_tile_pixels;
    std::vector<std::pair<int, int>> marks(static_cast<size_t>(tile_columns) * tile_columns);
    for (int ty = 0; ty < tile_columns; ++ty)
        for (int tx = 0; tx < tile_columns; ++tx) {
            const std::uint64_t tile_hash = hash3(seed ^ 0x5A5A5A5A, tx, ty);
            marks[static_cast<size_t>(ty) * tile_columns + tx] = {
                4 + static_cast<int>(tile_hash % 22), 4 + static_cast<int>((tile_hash >> 8) % 22)};
        }
    for (int y = 0; y < side; ++y) {
        const int ty = y / standin_tile_pixels, ly = y % standin_tile_pixels;
        for (int x = 0; x < side; ++x) {
            const int tx = x / standin_tile_pixels, lx = x % standin_tile_pixels;
            const colour base =
                terrain_colours[terrain[static_cast<size_t>(std::min(ty, tiles - 1)) * tiles +
                                        std::min(tx, tiles - 1)]];
            const std::uint64_t noise = hash3(seed, x, y);
            const int grain = static_cast<int>(noise % 25) - 12;
            const auto [mark_x, mark_y] = marks[static_cast<size_t>(ty) * tile_columns + tx];
            const bool mark = lx >= mark_x && lx < mark_x + 4 && ly >= mark_y && ly < mark_y + 4;
            const int shade = mark ? -40 : 0;
            put_pixel(map, x, y,
                      {base.r + grain + shade, base.g + grain / 2 + shade,
                       base.b + static_cast<int>((noise >> 8) % 9) - 4 + shade});
        }
    }
    draw_roads(map, tiles, seed);
    draw_objects(map, tiles, seed);
    return map;
}
