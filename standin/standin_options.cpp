#include "standin_options.h"

#include "standin_map.h"

#include <cstdio>
#include <cstdlib>

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
                 "usage: tilequilt-standin [--size 1|2|3|4] [--seed N] [--view X,Y] [--animate]\n"
                 "         [--animate-share PERCENT] [--picture MAP.ppm] [--write-map FILE.ppm]\n"
                 "         [--key-log FILE] [--state FILE] [--ignore-taps N,N,...]\n"
                 "         [--redraw-delay MS] [--draw-cost MS] [--close-after TAPS]\n"
                 "         [--scroll-limit X,Y] [--hang TAP,MS] [--blank]\n");
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
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (ok && option == "--size") {
            ok = parse_int(value, options.size) && options.size >= 1 &&
                 options.size <= map_size_count;
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
        } else if (ok && option == "--draw-cost") {
            ok = parse_int(value, options.faults.draw_cost_ms) && options.faults.draw_cost_ms >= 0;
        } else if (ok && option == "--animate-share") {
            ok = parse_int(value, options.animated_percent) && options.animated_percent >= 0 &&
                 options.animated_percent <= 100;
        } else if (ok && option == "--scroll-limit") {
            ok = parse_pair(value, options.faults.limit_x, options.faults.limit_y) &&
                 options.faults.limit_x >= 0 && options.faults.limit_y >= 0;
        } else if (option == "--blank") {
            options.faults.blank = true;
            ok = true;
            --i;  // takes no value
        } else if (option == "--animate") {
            options.animated_percent = standin_default_animated_percent;
            ok = true;
            --i;  // takes no value
        } else if (ok && option == "--hang") {
            ok = parse_pair(value, options.faults.hang_at_tap, options.faults.hang_ms) &&
                 options.faults.hang_at_tap > 0 && options.faults.hang_ms >= 0;
        } else if (ok && option == "--close-after") {
            ok = parse_int(value, options.faults.close_after_taps);
        } else {
            ok = false;
        }
        if (!ok) {
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
        map = generate_map(map_sides[options.size - 1], options.seed);
    }
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
