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

// The walk over a map `side` pixels across, by one rule. Its last stop shows the map's far edge
// at column 500 of the view tile or further left (no nearer the edge than the game is asked to
// scroll on a large map), and lies at least two taps short of the right limit, so that the far
// edge's look past the limit is never taken for a stop. Where a walk in steps of one whole view
// tile (8 taps, 512 pixels: screens meet edge to edge) from a first stop of 0 to 3 taps (which
// still shows the map's near edge) can end there, it does, from the nearest such first stop.
// Else it steps 7 taps (448 pixels: neighbouring screens share 64) from 3 taps and ends with one
// shorter step on that last stop. A walk of more than seven stops a side, or of 7-tap steps,
// takes its rows both ways: the way back to the left limit would cost more than a step down.
constexpr map_size walk_rule(int side)
{
    const int limit = taps_to_limit(side);
    const int far_edge_column = 500;
    const int needed = (side - 1 - far_edge_column + limit_origin_pixels + tap_pixels - 1) /
                       tap_pixels;  // the first stop whose view shows the far edge there
    const int whole_step = view_tile_pixels / tap_pixels;
    for (int start = 0; start <= 3; ++start) {
        const int steps = (needed - start + whole_step - 1) / whole_step;
        const int last = start + whole_step * (steps > 0 ? steps : 0);
        if (last <= limit - 2)
            return {side, limit, steps + 1, start, whole_step, last, steps + 1 > 7};
    }
    const int start = 3, step = whole_step - 1;
    const int stops = (needed - start + step - 1) / step + 1;
    return {side, limit, stops, start, step, needed, true};
}

// Map sizes by size index: small, medium, large, extra large, and the three larger sizes.
inline constexpr std::array<map_size, map_size_count> map_size_table{{
    walk_rule(map_sides[0]), walk_rule(map_sides[1]), walk_rule(map_sides[2]),
    walk_rule(map_sides[3]), walk_rule(map_sides[4]), walk_rule(map_sides[5]),
    walk_rule(map_sides[6]),
}};

// Size indices the tool offers (the Size slider's 1 to 7).
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
// where a map of another size is found before most of the walk is spent.
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
