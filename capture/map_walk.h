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
};

// The walk over a map `side` pixels across, by one rule. Neighbouring screens share a strip of
// one tap (steps of 7 taps, 448 pixels, for a view tile of 8), so that every screen but the first
// is proved in place by the land it shares with the screens beside and above it, and the first
// by its shift from the corner. The first stop lies 3 taps from the limit (the view tile still
// shows the map's near edge, and the first screen has moved from the corner's view by a shift
// that shows); the last shows the map's far edge at column 500 of the view tile (no nearer the
// edge than the game is asked to scroll on a large map), reached by one shorter step, and lies
// at least two taps short of the right limit, so that the far edge's look past the limit is
// never taken for a stop.
constexpr map_size walk_rule(int side)
{
    const int limit = taps_to_limit(side);
    const int far_edge_column = 500;
    const int needed = (side - 1 - far_edge_column + limit_origin_pixels + tap_pixels - 1) /
                       tap_pixels;  // the first stop whose view shows the far edge there
    const int start = 3, step = view_tile_pixels / tap_pixels - 1;
    const int stops = needed > start ? (needed - start + step - 1) / step + 1 : 1;
    return {side, limit, stops, start, step, needed > start ? needed : start};
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

// What the view at a stop proves besides. The map is square, so its corner and one far edge
// prove its size. The first burst sends the view `traverse_taps` left and up; from the look after
// the tap that shows the game caught up (below), two taps left and one up reach the top-left
// limit and are one tap each past it: at the limit the extra taps do nothing, so the first screen
// must stand exactly as far from that look as the walk asked (`corner`). At the end of the first
// row the view is sent two taps past the right limit that a map of this size has at
// `traverse_taps`, then one tap back: it must then stand one tap short of that limit
// (`far_edge`); further right it stood past it (a larger map), further left at a nearer limit.
enum class stop_proof { nothing, corner, far_edge };

// One stop of the walk, in the order the capture takes them: the bursts that lead to it from
// the stop before (from the top-left limit for the first), and where it is. A stop that `shows
// caught up` is a look whose last burst is one tap against the way the bursts before it went: the
// game may still be working through those (taps against a scroll limit change nothing), and only
// once the view has been seen to move the way that tap goes has it handled every key before it.
struct walk_stop {
    std::vector<std::pair<int, int>> bursts;  // taps right (left when negative), taps down
    int x, y;                                 // the view, in taps from the top-left limit
    bool first_in_row, last_in_row;           // screens, in the order the walk takes the row
    stop_kind kind = stop_kind::screen;
    stop_proof proves = stop_proof::nothing;
    bool shows_caught_up = false;
};

// The whole walk. It starts with a look at the view after the first burst, then the tap right
// that shows when the game has caught up, the corner's taps, and goes row by row, each row the
// other way from the one before, one step down at the end of a row; the view stops at the same
// tap counts across as down. The far edge is proved at the end of the first row, where a map of
// another size is found before most of the walk is spent.
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
