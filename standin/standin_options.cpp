#include "standin_options.h"

#include "standin_map.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

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

void print_usage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: tilequilt-standin [--size 1..7] [--seed N] [--view X,Y] [--animate]\n"
                 "         [--window WxH] [--limits centre|border] [--stretch F]\n"
                 "         [--edge rock|black] [--unexplored TILES]\n"
                 "         [--animate-share PERCENT] [--picture MAP.ppm] [--write-map FILE.ppm]\n"
                 "         [--key-log FILE] [--state FILE] [--ignore-taps N,N,...]\n"
                 "         [--redraw-delay MS] [--draw-cost MS] [--close-after TAPS]\n"
                 "         [--scroll-limit X,Y] [--hang TAP,MS] [--blank]\n");
}

// The numbers of `--ignore-taps`: "N,N,...".
bool parse_taps(const std::string& list, std::set<int>& taps)
{
    for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        int tap = 0;
        if (!parse_int(list.substr(start, comma - start).c_str(), tap))
            return false;
        taps.insert(tap);
        start = comma + 1;
    }
    return true;
}

// An option that takes no value; false when `option` is not one.
bool parse_flag(const std::string& option, standin_options& options)
{
    if (option == "--blank")
        options.faults.blank = true;
    else if (option == "--animate")
        options.animated_percent = standin_default_animated_percent;
    else
        return false;
    return true;
}

// An option with its value; false when either is wrong. `--size` counts from 1, as the tool's
// Size slider does.
bool parse_option(const std::string& option, const char* value, standin_options& options)
{
    standin_faults& faults = options.faults;
    int number = 0;
    if (option == "--size") {
        const bool ok = parse_int(value, number) && number >= 1 && number <= standin_map_sizes;
        options.size_index = number - 1;
        return ok;
    }
    if (option == "--seed") {
        const bool ok = parse_int(value, number);
        options.seed = static_cast<std::uint32_t>(number);
        return ok;
    }
    if (option == "--view")
        return parse_pair(value, options.view_x, options.view_y);
    if (option == "--window") {
        const std::string size(value);
        const size_t x = size.find('x');
        return x != std::string::npos && parse_int(size.substr(0, x).c_str(), options.width) &&
               parse_int(size.substr(x + 1).c_str(), options.height) && options.width <= 8192 &&
               options.height <= 8192;
    }
    if (option == "--limits") {
        options.limits = std::string(value) == "border" ? limit_rule::border : limit_rule::centre;
        return std::string(value) == "border" || std::string(value) == "centre";
    }
    if (option == "--stretch") {
        char* end = nullptr;
        options.stretch = std::strtod(value, &end);
        return *value && !*end && options.stretch >= 1 && options.stretch <= 4;
    }
    if (option == "--edge") {
        options.edge = std::string(value) == "black" ? standin_edge::black : standin_edge::rock;
        return std::string(value) == "black" || std::string(value) == "rock";
    }
    if (option == "--unexplored")
        return parse_int(value, options.unexplored_tiles) && options.unexplored_tiles >= 0;
    // The options that name a file.
    static const std::pair<const char*, std::string standin_options::*> files[] = {
        {"--picture", &standin_options::picture_file},
        {"--write-map", &standin_options::write_map_file},
        {"--key-log", &standin_options::key_log_file},
        {"--state", &standin_options::state_file}};
    for (const auto& [name, file] : files)
        if (option == name) {
            options.*file = value;
            return true;
        }
    if (option == "--ignore-taps")
        return parse_taps(value, faults.ignored_taps);
    if (option == "--redraw-delay")
        return parse_int(value, faults.redraw_delay_ms);
    if (option == "--draw-cost")
        return parse_int(value, faults.draw_cost_ms) && faults.draw_cost_ms >= 0;
    if (option == "--animate-share")
        return parse_int(value, options.animated_percent) && options.animated_percent >= 0 &&
               options.animated_percent <= 100;
    if (option == "--scroll-limit")
        return parse_pair(value, faults.limit_x, faults.limit_y) && faults.limit_x >= 0 &&
               faults.limit_y >= 0;
    if (option == "--hang")
        return parse_pair(value, faults.hang_at_tap, faults.hang_ms) && faults.hang_at_tap > 0 &&
               faults.hang_ms >= 0;
    if (option == "--close-after")
        return parse_int(value, faults.close_after_taps);
    return false;
}

}  // namespace

bool parse_standin_options(int argc, char** argv, standin_options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "--version") {
            options.answer = option;
            return true;
        }
        if (parse_flag(option, options))
            continue;
        if (i + 1 >= argc || !parse_option(option, argv[i + 1], options)) {
            std::fprintf(stderr, "tilequilt-standin: bad option %s\n", option.c_str());
            print_usage(stderr);
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
        map = generate_map(standin_tile_pixels * standin_map_tiles[options.size_index],
                           options.seed);
    }
    if (!make_standin_geometry(options.width, options.height, options.stretch, options.limits,
                               game.geometry)) {
        std::fprintf(stderr,
                     "tilequilt-standin: the game draws at least 800 x 600 pixels: --window %dx%d "
                     "with --stretch %g is smaller\n",
                     options.width, options.height, options.stretch);
        return false;
    }
    game.edge = options.edge;
    game.unexplored_tiles = options.unexplored_tiles;
    game.faults = options.faults;
    game.animated_percent = options.animated_percent;
    start_standin(game, std::move(map), options.view_x, options.view_y);
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
    if (!parse_standin_options(argc, argv, options))
        return 2;
    if (options.answer == "--help") {
        std::printf("A stand-in for the game \"Heroes of Might and Magic III\": a window of that title\n"
                    "whose map view scrolls 64 pixels with every Ctrl+arrow key, for trying\n"
                    "tilequilt without the game.\n");
        print_usage(stdout);
        return 0;
    }
    if (options.answer == "--version") {
        std::printf("tilequilt-standin %s\n", TILEQUILT_VERSION);
        return 0;
    }
    if (!setup_standin(options, game))
        return 2;
    if (!options.write_map_file.empty())
        return write_ppm(options.write_map_file, game.map) ? 0 : 1;
    save_standin_state(game);
    return -1;
}
