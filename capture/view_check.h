// Whether two snapshot images of the game's view show the same land in the same place. A
// capture relies on it twice: a screen is used only once two snapshots of it with no key between
// them agree (the game has finished drawing the view), and on an extra-large map a screen goes
// into the canvas only where it agrees with the neighbours already there (the view is where the
// walk asked). Both tell a moved view from animation by what moved, not only by how much: a view still
// catching up, or one left a tap short, shows the same land shifted by whole taps, while water
// and flags change pixels in place.
#pragma once

#include "cimg.h"
#include "map_stitching.h"

#include <optional>

// A rectangle of canvas pixels, half-open: [left, right) x [top, bottom).
struct canvas_rect {
    int left, top, right, bottom;
};

enum class likeness {
    same,     // the same land in place, perhaps animated; or too little in common to tell
    moved,    // the same land shifted by whole taps
    differs,  // other land
};

// How far the view moved from `earlier` to `later`, in whole taps each way: what `later` shows
// at (c, r) `earlier` shows at (c + 64 dx, r + 64 dy).
struct tap_shift {
    int dx, dy;
    bool operator==(const tap_shift& other) const { return dx == other.dx && dy == other.dy; }
};

// How two snapshots of the game window, taken with no key between them, compare, judged on small
// blocks of pixels with features (a block of one colour, black unexplored land or calm water,
// looks the same anywhere and tells nothing).
likeness compare_snapshots(const image& earlier, const image& later);

// Whether the view tile of a snapshot shows enough land with features to tell where it lies.
bool shows_features(const image& snapshot_image);

// Where the view of snapshot `later` lies from that of snapshot `earlier`, at most a view
// tile's side each way; none when too little of either has features to tell.
std::optional<tap_shift> find_view_shift(const image& earlier, const image& later);

// What a view shows of where it stands against land it must share with another view.
enum class standing {
    proved,     // the land it shares shows it in place
    unproved,   // too little it shares shows anything to tell
    elsewhere,  // it shows other land there, or the same land shifted
};

// The view tile of `snapshot`, placed at canvas position (`x`, `y`), against what the canvas
// already holds there: the part of `area` inside `map`. Proved only where enough of the land
// the two share has features and matches in place.
standing check_placement(const image& canvas, const image& snapshot_image, int x, int y,
                         const placed_area& area, const canvas_rect& map);

// Where the view tile of `snapshot` lies from canvas position (`x`, `y`), judged on what the
// canvas holds around it; none when too little has features to tell.
std::optional<tap_shift> find_seam_shift(const image& canvas, const image& snapshot_image, int x, int y,
                                         const placed_area& area, const canvas_rect& map);
