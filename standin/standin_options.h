// The stand-in program's command line and start-up, the same for every platform's window.
#pragma once

#include "standin_model.h"

#include <cstdint>
#include <set>
#include <string>

struct standin_options {
    int size_index = 1;  // 0 to 6: a map of 36, 72, 108, 144, 180, 216 or 252 tiles
    int width = 800, height = 600;  // the window's client area
    double stretch = 1;
    limit_rule limits = limit_rule::centre;
    standin_edge edge = standin_edge::rock;
    int unexplored_tiles = 0;
    int animated_percent = 0;
    std::uint32_t seed = 3;
    int view_x = -1;
    int view_y = -1;
    std::string picture_file;
    std::string write_map_file;
    std::string key_log_file;
    std::string state_file;
    standin_faults faults;
    std::string answer;  // "--help" or "--version": print that and exit
};

// Reads the command line; false (after printing why and the usage) when it is wrong.
bool parse_standin_options(int argc, char** argv, standin_options& options);

// Builds the game the options describe: generated or read map, view, faults, key log.
// Returns false after printing why when the map cannot be made.
bool setup_standin(const standin_options& options, standin_game& game);

// What every stand-in program does first: read the options and build the game, or write the map
// when asked to. Returns the exit status when the program is done already, -1 when its window is
// due.
int start_standin_program(int argc, char** argv, standin_game& game);
