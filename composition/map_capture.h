// The map capture: scroll the game's view over the whole map screen by screen, cut the view tile
// out of every snapshot and stitch the tiles into one picture of the map.
#pragma once

#include "game_window.h"

#include <array>

// One map size.
struct MapSizeRow {
    int map_pixels;        // P: the map's side, 32 x its tiles per side
    int traverse_taps;     // B: taps that reach a scroll limit from anywhere
    int screens_per_side;  // n: view tiles per side of the canvas
    int start_taps;        // D: taps from the limit to the first snapshot
};

// Map sizes by size index. The last, extra-large row is kept for completeness but not offered:
// its map would reach past the canvas.
inline constexpr std::array<MapSizeRow, 4> map_size_table{{
    {1152, 18, 3, 0},
    {2304, 36, 5, 0},
    {3456, 54, 7, 2},
    {4608, 72, 9, 3},
}};

// Size indices the tool offers (the Size slider's 1 to 3).
inline constexpr int offered_map_sizes = 3;

// Geometry of a capture.
inline constexpr int view_tile_pixels = 512;   // side of a view tile, and of a canvas cell
inline constexpr int view_tile_left = 44;      // the view tile in a snapshot, inclusive corners
inline constexpr int view_tile_top = 19;
inline constexpr int step_taps = 8;            // taps from one cell to the next (512 pixels)
inline constexpr int limit_origin_pixels = 245;  // map corner inside the view tile at the limit
inline constexpr int tap_pixels = 64;

// Canvas side W = 512 n.
constexpr int canvas_pixels(const MapSizeRow& row)
{
    return view_tile_pixels * row.screens_per_side;
}

// Where the map's top-left pixel lies in the canvas, on both axes: 245 - 64 D.
constexpr int map_origin(const MapSizeRow& row)
{
    return limit_origin_pixels - tap_pixels * row.start_taps;
}

// Taps from any view to the limit: (P - 22) / 64 + 1.
constexpr int traverse_taps_for(int map_pixels)
{
    return (map_pixels - 22) / tap_pixels + 1;
}

// Result file names and their JPEG quality.
inline constexpr char result_file_name[] = "result.jpg";
inline constexpr char result_grid_file_name[] = "result-grid.jpg";
inline constexpr unsigned result_quality = 80;

// The game's side of a capture: everything `capture_map` asks of the game.
struct capture_driver {
    bool (*scroll_map_view)(game_window window, int dx, int dy);
    bool (*snapshot_client_area)(game_window window);
};

// The real game window driver.
extern const capture_driver game_driver;

// Scans the map of size index `size_index` (0 .. 2) and writes "result.jpg" and "result-grid.jpg".
// Returns false, writing no result, when the game window went away or a snapshot failed ("capture
// fail!" is then on standard output). Throws the image library's exceptions on image errors,
// and CImgIOException before any key is sent when the working folder cannot be written; earlier
// result files are kept whole either way.
bool capture_map(game_window window, int size_index, const capture_driver& driver = game_driver);
