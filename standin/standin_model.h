// The stand-in game: a scrolling adventure-map view that answers the tool the way the real game
// does. This model holds everything but the window, so that every platform's shell behaves alike
// and tests can compute what the window must show.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

inline constexpr int standin_client_width = 800;
inline constexpr int standin_client_height = 600;
inline constexpr int standin_tap_pixels = 64;
// Client position of the map's top-left pixel with the view at its top-left limit.
inline constexpr int standin_origin_x = 289;
inline constexpr int standin_origin_y = 264;
// The part of the client area that shows the map (half-open), around the 512-pixel view tile.
inline constexpr int standin_view_left = 8;
inline constexpr int standin_view_top = 8;
inline constexpr int standin_view_right = 592;
inline constexpr int standin_view_bottom = 552;

// A picture as interleaved red, green, blue bytes, top row first.
struct rgb_picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// A generated adventure map of `side` pixels: terrain regions, a texture inside every 32-pixel
// tile, roads and small objects, all fixed by `seed`.
rgb_picture generate_map(int side, std::uint32_t seed);

// Binary PPM (P6, maxval 255) files for maps shown from a file and ground truth written to one.
bool read_ppm(const std::string& file_name, rgb_picture& picture);
bool write_ppm(const std::string& file_name, const rgb_picture& picture);

// Keys the stand-in tells apart.
enum standin_key { key_other, key_ctrl, key_left, key_right, key_up, key_down };

struct standin_faults {
    std::set<int> ignored_taps;  // tap numbers (1 = first Ctrl+arrow press) that do nothing
    int redraw_delay_ms = 0;     // a view change shows only this long after its tap
    int close_after_taps = 0;    // the window closes after this many taps; 0: never
};

struct standin_game {
    rgb_picture map;
    rgb_picture minimap;
    int limit_x = 0;  // right and bottom scroll limits in taps; left and top are 0
    int limit_y = 0;
    int view_x = 0;   // the view in taps from the top-left limit
    int view_y = 0;
    bool ctrl_down = false;
    int taps = 0;
    standin_faults faults;
    std::FILE* key_log = nullptr;
    std::string state_file;
};

// Taps from any view to a limit, for a map side: (side - 22) / 64 + 1.
int standin_limit_taps(int side);

// Prepares a game on `map` with the view at (`view_x`, `view_y`) taps, clamped to the limits;
// a negative value starts in the middle.
void start_standin(standin_game& game, rgb_picture map, int view_x, int view_y);

// What a key event does. Returns true when the view changed. `milliseconds` timestamps the
// key log line.
bool handle_standin_key(standin_game& game, standin_key key, bool pressed, bool ctrl_held,
                        long long milliseconds);

// Milliseconds since the epoch, the clock of the key log.
long long standin_clock_ms();

// True once the game should close its window (after the fault's number of taps).
bool standin_should_close(const standin_game& game);

// Writes the current view to the state file, if one was asked for ("view X Y" and "taps N").
void write_standin_state(const standin_game& game);

// The whole 800 x 600 client area for a view: interface panels, a minimap, and the map view
// showing map pixels one to one, black beyond the map.
rgb_picture render_client_area(const standin_game& game, int view_x, int view_y);

// Options of the stand-in program, as both shells read them.
struct standin_options {
    int size = 2;  // 1, 2 or 3: a map of 1152, 2304 or 3456 pixels
    std::uint32_t seed = 3;
    int view_x = -1;
    int view_y = -1;
    std::string picture_file;
    std::string write_map_file;
    std::string key_log_file;
    std::string state_file;
    standin_faults faults;
};

// Reads the command line; false (after printing why and the usage) when it is wrong.
bool parse_standin_options(int argc, char** argv, standin_options& options);

// What both programs do first: read the options and build the game, or write the map when
// asked to. Returns the exit status when the program is done already, -1 when its window is due.
int start_standin_program(int argc, char** argv, standin_game& game);

// Builds the game the options describe: generated or read map, view, faults, key log.
// Returns false after printing why when the map cannot be made.
bool setup_standin(const standin_options& options, standin_game& game);
