#include "standin_model.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr int tile = 32;

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

struct colour {
    int r, g, b;
};

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

unsigned char clamp_byte(int value)
{
    return static_cast<unsigned char>(std::clamp(value, 0, 255));
}

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
            const int x0 = tx * tile + 12, y0 = ty * tile + 12;
            fill_box(map, x0, y0, x0 + 8, y0 + 8, {170, 150, 120});
            h = mix(h);
            const int direction = static_cast<int>(h % 4);
            const int nx = tx + (direction == 0) - (direction == 1);
            const int ny = ty + (direction == 2) - (direction == 3);
            if (nx < 0 || ny < 0 || nx >= tiles || ny >= tiles)
                continue;
            // Join the two tile centres with a band of road.
            fill_box(map, std::min(tx, nx) * tile + 12, std::min(ty, ny) * tile + 12,
                     std::max(tx, nx) * tile + 20, std::max(ty, ny) * tile + 20,
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

rgb_picture make_minimap(const rgb_picture& map, int side)
{
    rgb_picture mini{side, side, std::vector<unsigned char>(static_cast<size_t>(side) * side * 3)};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int mx = static_cast<int>(static_cast<long>(x) * map.width / side);
            const int my = static_cast<int>(static_cast<long>(y) * map.height / side);
            std::memcpy(&mini.pixels[(static_cast<size_t>(y) * side + x) * 3],
                        &map.pixels[(static_cast<size_t>(my) * map.width + mx) * 3], 3);
        }
    }
    return mini;
}

constexpr int minimap_left = 616, minimap_top = 24, minimap_side = 160;

const char* key_name(standin_key key)
{
    switch (key) {
    case key_ctrl: return "Control";
    case key_left: return "Left";
    case key_right: return "Right";
    case key_up: return "Up";
    case key_down: return "Down";
    default: return "Other";
    }
}

bool parse_int(const char* text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (!*text || *end)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parse_pair(const char* text, int& a, int& b)
{
    const std::string s(text);
    const size_t comma = s.find(',');
    return comma != std::string::npos && parse_int(s.substr(0, comma).c_str(), a) &&
           parse_int(s.substr(comma + 1).c_str(), b);
}

void print_usage()
{
    std::fprintf(stderr,
                 "usage: tilequilt-standin [--size 1|2|3] [--seed N] [--view X,Y]\n"
                 "         [--picture MAP.ppm] [--write-map FILE.ppm] [--key-log FILE]\n"
                 "         [--state FILE] [--ignore-taps N,N,...] [--redraw-delay MS]\n"
                 "         [--close-after TAPS]\n");
}

}  // namespace

rgb_picture generate_map(int side, std::uint32_t seed)
{
    rgb_picture map{side, side, std::vector<unsigned char>(static_cast<size_t>(side) * side * 3)};
    const int tiles = side / tile;
    const std::vector<int> terrain = terrain_of_tiles(tiles, seed);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int tx = x / tile, ty = y / tile;
            const colour base =
                terrain_colours[terrain[static_cast<size_t>(std::min(ty, tiles - 1)) * tiles +
                                        std::min(tx, tiles - 1)]];
            const std::uint64_t noise = hash3(seed, x, y);
            const int grain = static_cast<int>(noise % 25) - 12;
            // A mark at a spot of its own in every tile, so that no two tiles look alike.
            const std::uint64_t tile_hash = hash3(seed ^ 0x5A5A5A5A, tx, ty);
            const int mark_x = 4 + static_cast<int>(tile_hash % 22);
            const int mark_y = 4 + static_cast<int>((tile_hash >> 8) % 22);
            const int lx = x % tile, ly = y % tile;
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
    std::FILE* file = std::fopen(file_name.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height) > 0 &&
              std::fwrite(picture.pixels.data(), picture.pixels.size(), 1, file) == 1;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

int standin_limit_taps(int side)
{
    return std::max(0, (side - 22) / standin_tap_pixels + 1);
}

void start_standin(standin_game& game, rgb_picture map, int view_x, int view_y)
{
    game.map = std::move(map);
    game.minimap = make_minimap(game.map, minimap_side);
    game.limit_x = standin_limit_taps(game.map.width);
    game.limit_y = standin_limit_taps(game.map.height);
    game.view_x = view_x < 0 ? game.limit_x / 2 : std::min(view_x, game.limit_x);
    game.view_y = view_y < 0 ? game.limit_y / 2 : std::min(view_y, game.limit_y);
}

bool handle_standin_key(standin_game& game, standin_key key, bool pressed, bool ctrl_held,
                        long long milliseconds)
{
    if (key == key_ctrl)
        game.ctrl_down = pressed;
    const bool ctrl = ctrl_held || game.ctrl_down;
    if (game.key_log) {
        std::fprintf(game.key_log, "%lld %s %s ctrl=%d\n", milliseconds,
                     pressed ? "press" : "release", key_name(key), ctrl ? 1 : 0);
        std::fflush(game.key_log);
    }
    if (!pressed || key == key_ctrl || key == key_other || !ctrl)
        return false;
    ++game.taps;
    if (game.faults.ignored_taps.count(game.taps))
        return false;
    const int old_x = game.view_x, old_y = game.view_y;
    if (key == key_left)
        game.view_x = std::max(0, game.view_x - 1);
    if (key == key_right)
        game.view_x = std::min(game.limit_x, game.view_x + 1);
    if (key == key_up)
        game.view_y = std::max(0, game.view_y - 1);
    if (key == key_down)
        game.view_y = std::min(game.limit_y, game.view_y + 1);
    return game.view_x != old_x || game.view_y != old_y;
}

long long standin_clock_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool standin_should_close(const standin_game& game)
{
    return game.faults.close_after_taps > 0 && game.taps >= game.faults.close_after_taps;
}

void write_standin_state(const standin_game& game)
{
    if (game.state_file.empty())
        return;
    // Written beside and renamed, so that a reader never sees half a state.
    const std::string partial = game.state_file + ".partial";
    if (std::FILE* file = std::fopen(partial.c_str(), "w")) {
        std::fprintf(file, "view %d %d\ntaps %d\n", game.view_x, game.view_y, game.taps);
        std::fclose(file);
        std::error_code error;
        std::filesystem::rename(partial, game.state_file, error);
    }
}

rgb_picture render_client_area(const standin_game& game, int view_x, int view_y)
{
    rgb_picture client{standin_client_width, standin_client_height,
                       std::vector<unsigned char>(
                           static_cast<size_t>(standin_client_width) * standin_client_height * 3)};
    // Interface: a stone-coloured frame, a side panel with buttons and a status bar.
    fill_box(client, 0, 0, standin_client_width, standin_client_height, {92, 74, 52});
    fill_box(client, 600, 0, 800, 600, {52, 44, 70});
    fill_box(client, minimap_left - 2, minimap_top - 2, minimap_left + minimap_side + 2,
             minimap_top + minimap_side + 2, {200, 170, 60});
    for (int b = 0; b < 6; ++b) {
        const int x = 616 + (b % 2) * 84, y = 220 + (b / 2) * 56;
        fill_box(client, x, y, x + 76, y + 44, {150, 120, 50});
        fill_box(client, x + 3, y + 3, x + 73, y + 41, {110, 30, 30});
    }
    fill_box(client, 0, 560, 600, 600, {30, 30, 40});

    for (int y = 0; y < minimap_side; ++y)
        std::memcpy(&client.pixels[((static_cast<size_t>(minimap_top) + y) * client.width +
                                    minimap_left) * 3],
                    &game.minimap.pixels[static_cast<size_t>(y) * minimap_side * 3],
                    static_cast<size_t>(minimap_side) * 3);

    // The map view, one to one, black beyond the map.
    const int offset_x = standin_origin_x - standin_tap_pixels * view_x;
    const int offset_y = standin_origin_y - standin_tap_pixels * view_y;
    for (int cy = standin_view_top; cy < standin_view_bottom; ++cy) {
        unsigned char* out =
            &client.pixels[(static_cast<size_t>(cy) * client.width + standin_view_left) * 3];
        const int my = cy - offset_y;
        for (int cx = standin_view_left; cx < standin_view_right; ++cx, out += 3) {
            const int mx = cx - offset_x;
            if (mx >= 0 && my >= 0 && mx < game.map.width && my < game.map.height)
                std::memcpy(out, &game.map.pixels[(static_cast<size_t>(my) * game.map.width + mx) * 3], 3);
            else
                out[0] = out[1] = out[2] = 0;
        }
    }

    // Where the view lies on the minimap.
    if (game.map.width > 0 && game.map.height > 0) {
        const int x0 = minimap_left + (standin_view_left - offset_x) * minimap_side / game.map.width;
        const int y0 = minimap_top + (standin_view_top - offset_y) * minimap_side / game.map.height;
        const int x1 = minimap_left + (standin_view_right - offset_x) * minimap_side / game.map.width;
        const int y1 = minimap_top + (standin_view_bottom - offset_y) * minimap_side / game.map.height;
        const auto inside_minimap = [](int x, int y) {
            return x >= minimap_left && y >= minimap_top && x < minimap_left + minimap_side &&
                   y < minimap_top + minimap_side;
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

bool parse_standin_options(int argc, char** argv, standin_options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (ok && option == "--size") {
            ok = parse_int(value, options.size) && options.size >= 1 && options.size <= 3;
        } else if (ok && option == "--seed") {
            int seed = 0;
            ok = parse_int(value, seed);
            options.seed = static_cast<std::uint32_t>(seed);
        } else if (ok && option == "--view") {
            ok = parse_pair(value, options.view_x, options.view_y);
        } else if (ok && option == "--picture") {
            options.picture_file = value;
        } else if (ok && option == "--write-map") {
            options.write_map_file = value;
        } else if (ok && option == "--key-log") {
            options.key_log_file = value;
        } else if (ok && option == "--state") {
            options.state_file = value;
        } else if (ok && option == "--ignore-taps") {
            std::string list = value;
            size_t start = 0;
            while (ok && start <= list.size()) {
                const size_t comma = std::min(list.find(',', start), list.size());
                int tap = 0;
                ok = parse_int(list.substr(start, comma - start).c_str(), tap);
                options.faults.ignored_taps.insert(tap);
                start = comma + 1;
            }
        } else if (ok && option == "--redraw-delay") {
            ok = parse_int(value, options.faults.redraw_delay_ms);
        } else if (ok && option == "--close-after") {
            ok = parse_int(value, options.faults.close_after_taps);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "tilequilt-standin: bad option %s\n", option.c_str());
            print_usage();
            return false;
        }
        ++i;
    }
    return true;
}

bool setup_standin(const standin_options& options, standin_game& game)
{
    rgb_picture map;
    if (!options.picture_file.empty()) {
        if (!read_ppm(options.picture_file, map)) {
            std::fprintf(stderr, "tilequilt-standin: cannot read %s (a binary PPM is needed)\n",
                         options.picture_file.c_str());
            return false;
        }
    } else {
        map = generate_map(1152 * options.size, options.seed);
    }
    start_standin(game, std::move(map), options.view_x, options.view_y);
    game.faults = options.faults;
    game.state_file = options.state_file;
    if (!options.key_log_file.empty()) {
        game.key_log = std::fopen(options.key_log_file.c_str(), "w");
        if (!game.key_log) {
            std::fprintf(stderr, "tilequilt-standin: cannot write %s\n",
                         options.key_log_file.c_str());
            return false;
        }
    }
    return true;
}

int start_standin_program(int argc, char** argv, standin_game& game)
{
    standin_options options;
    if (!parse_standin_options(argc, argv, options) || !setup_standin(options, game))
        return 2;
    if (!options.write_map_file.empty())
        return write_ppm(options.write_map_file, game.map) ? 0 : 1;
    write_standin_state(game);
    return -1;
}
