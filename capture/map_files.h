// The two result files of a capture, "result.jpg" (the map) and "result-grid.jpg" (the map with
// its tile grid), encoded band by band while the map is still being made, and written together.
#pragma once

#include "cimg.h"
#include "jpeg_encoder.h"
#include "safe_files.h"

#include <chrono>

// Result file names and their JPEG quality.
inline constexpr char result_file_name[] = "result.jpg";
inline constexpr char result_grid_file_name[] = "result-grid.jpg";
inline constexpr int result_quality = 80;

// The two result files of a P x P map, encoded band by band while the map is still being made.
struct map_files {
    jpeg_encoder map;   // the map as it is
    jpeg_encoder grid;  // the map with its tile grid
    int map_pixels = 0;
};
map_files start_map_files(int map_pixels);
// Adds the next band (map rows from `first_row` on) to both; draws the grid into `band`.
void add_map_band(map_files& files, image& band, int first_row);
// How long the results wait for a program that holds one of the earlier ones open.
inline constexpr std::chrono::seconds result_held_patience{30};

// Writes "result.jpg" and "result-grid.jpg" once all rows are in, as a pair: neither replaces
// its earlier file unless both are complete and both can be replaced (a program holding one open
// is waited for, `told` when the wait begins). Throws an image error naming the file in full
// that could not be written or replaced, and which of the pair is new if one is.
void write_map_files(map_files& files, const held_file_notice& told = nullptr);

