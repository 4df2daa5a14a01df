// The map capture: scroll the game's view over the whole map screen by screen, cut the view tile
// out of every snapshot, stitch the tiles into one picture of the map, and write it with and
// without its tile grid.
#pragma once

#include "cimg.h"
#include "game_window.h"
#include "image_errors.h"
#include "jpeg_codec.h"
#include "map_walk.h"

#include <chrono>
#include <functional>
#include <optional>

// Result file names and their JPEG quality.
inline constexpr char result_file_name[] = "result.jpg";
inline constexpr char result_grid_file_name[] = "result-grid.jpg";
inline constexpr int result_quality = 80;

// How long the capture waits, before its first key, for the game to get the keyboard (the player
// clicks into it), and for the desktop to let the keys through (the player allows it).
inline constexpr std::chrono::seconds focus_wait{10};
inline constexpr std::chrono::seconds permission_wait{30};

// The game's side of a capture: everything `capture_map` asks of the game.
struct capture_driver {
    game_status (*scroll_map_view)(game_window window, int dx, int dy, const pause_work& work,
                                   bool continuing);
    game_status (*snapshot_client_area)(game_window window);
};

// The real game window driver.
extern const capture_driver game_driver;

// Told when the capture starts waiting for the player (focus_refused: the game must be clicked;
// keys_undelivered: the desktop must allow the keys) and when the wait is over (ok).
using capture_waiting = void (*)(game_status why);

// How a capture ended: with both results written, or stopped by the game (`game`, nothing
// written) or by a file that could not be read or written (`error`, nothing replaced).
struct capture_result {
    game_status game = game_status::ok;
    std::optional<image_error> error;
};

// Receives the rows of the map, top to bottom, in bands of a few rows (`first_row` is the map row
// the band starts at), as soon as the scan has them final.
using map_rows_sink = std::function<void(image& band, int first_row)>;

// The scan of `capture_map` without the files: the map goes to `sink` band by band, mostly while
// the scan waits for the game anyway. Returns ok, or the reason the game stopped it. Throws the
// image library's exceptions when a snapshot cannot be read back, or what the sink throws.
game_status scan_map(game_window window, const MapSizeRow& row, const capture_driver& driver,
                     capture_waiting waiting, const map_rows_sink& sink);

// The two result files of a P x P map, encoded band by band while the map is still being made.
struct map_files {
    jpeg_encoder map;   // the map as it is
    jpeg_encoder grid;  // the map with its tile grid
    int map_pixels = 0;
};
map_files start_map_files(int map_pixels);
// Adds the next band (map rows from `first_row` on) to both; draws the grid into `band`.
void add_map_band(map_files& files, image& band, int first_row);
// Writes "result.jpg" and "result-grid.jpg" once all rows are in; neither replaces its earlier
// file unless both are complete. Throws the image library's exceptions.
void write_map_files(map_files& files);

// Scans the map of size index `size_index` (0 .. 3) and writes "result.jpg" and "result-grid.jpg"
// together, replacing the earlier pair only when both are complete. Before any key it makes sure
// that files can be written in the working folder.
capture_result capture_map(game_window window, int size_index,
                           const capture_driver& driver = game_driver,
                           capture_waiting waiting = nullptr);
