// The walk of a capture: which map sizes there are, and at which views the capture takes its
// screens. Geometry only, the same for the tool, the benchmark and the tests.
#pragma once

#include "game_contract.h"

#include <array>
#include <utility>
#include <vector>

// One map size (a row of the size table) and the walk over it. The walk stops at the same tap
// counts (from the top-left scroll limit) on both axes: `start_taps`, then every `step_taps` taps,
// `screens_per_side` stops in all, the last of which is `last_taps`.
struct map_size {
    int map_pixels;        // P: the map's side, 32 x its tiles per side
    int traverse_taps;     // B: taps that reach a scroll limit from anywhere
    int screens_per_side;  // n: stops per axis
    int start_taps;        // D: taps from the limit to the first stop
    int step_taps;         // taps from one stop to the next
    int last_taps;         // the last stop
    // Whether the walk goes along its rows in both directions (right, one step down, left, ...)
    // instead of going back to the left limit at the end of every size.
    bool both_ways;
};

// Map sizes by size index: small, medium, large and extra large. The first three walk in steps
// of one whole view tile (512 pixels), so their screens meet edge to edge. Nine such screens
// cannot hold the extra-large map from where its walk must start, so it steps 7 taps (448
// pixels), which gives every pair of neighbouring screens 64 pixels in common, and ends one
// step of 2 taps later, on the view that shows the map's far edge where the large map's last
// view shows it (tile column 500); it never asks the game to scroll further than that.
inline constexpr std::array<map_size, 4> map_size_table{{
    {map_sides[0], taps_to_limit(map_sides[0]), 3, 0, 8, 16, false},
    {map_sides[1], taps_to_limit(map_sides[1]), 5, 0, 8, 32, false},
    {map_sides[2], taps_to_limit(map_sides[2]), 7, 2, 8, 50, false},
    {map_sides[3], taps_to_limit(map_sides[3]), 11, 3, 7, 68, true},
}};

// Size indices the tool offers (the Size slider's 1 to 4).
inline constexpr int offered_map_sizes = map_size_count;

// The stops of the walk on one axis, in taps from the limit.
std::vector<int> walk_stops(const map_size& size);

// What the capture does at a stop: take a screen of the map, or only look at the view,
// to see where it stands.
enum class stop_kind { screen, look };

// What the view at a stop proves besides. The first look of a walk, right after the burst of
// `traverse_taps` left and up, is followed by one tap left and one up: at the top-left limit they
// do nothing, so the view after them must stand where that look saw it (`corner`). The map is
// square, so one far edge proves its size: the view is sent two taps past the right limit that
// a map of this size has at `traverse_taps`, and must stand exactly there (`far_edge`).
enum class stop_proof { nothing, corner, far_edge };

// One stop of the walk, in the order the capture takes them: the bursts that lead to it from
// the stop before (from the top-left limit for the first), and where it is.
struct walk_stop {
    std::vector<std::pair<int, int>> bursts;  // taps right (left when negative), taps down
    int x, y;                                 // the view, in taps from the top-left limit
    bool first_in_row, last_in_row;           // screens, in the order the walk takes the row
    stop_kind kind = stop_kind::screen;
    stop_proof proves = stop_proof::nothing;
};

// The whole walk. It starts with a look at the top-left limit and the tap that must not move
// the view from there, then goes row by row; the view stops at the same tap counts across as
// down. A walk that goes one way starts every row at the left limit (the first row is there
// already, the others go back to it with `traverse_taps` left taps and the step down in one
// burst, then one burst to the first stop); a walk that goes both ways steps down at the end of
// a row and takes the next row the other way. The far edge is proved at the end of the first row,
// or, on the largest map (no map is larger, and the way back would cost taps), at the end.
std::vector<walk_stop> map_walk(const map_size& size);

// Screens a walk puts into the map.
constexpr int walk_screens(const map_size& size)
{
    return size.screens_per_side * size.screens_per_side;
}

// Where the view tile of the stop `taps` lies in the canvas, on either axis.
constexpr int canvas_offset(const map_size& size, int taps)
{
    return tap_pixels * (taps - size.start_taps);
}

// Canvas side: from the first stop's view tile to the last one's.
constexpr int canvas_pixels(const map_size& size)
{
    return canvas_offset(size, size.last_taps) + view_tile_pixels;
}

// Where the map's top-left pixel lies in the canvas, on both axes: 245 - 64 D.
constexpr int map_origin(const map_size& size)
{
    return limit_origin_pixels - tap_pixels * size.start_taps;
}
