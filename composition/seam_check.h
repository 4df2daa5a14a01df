// The seam check: before a screen goes into the canvas, the pixels it has in common with screens
// already placed tell whether the game's view is where the walk asked for it.
#pragma once

#include "cimg.h"
#include "map_stitching.h"

#include <vector>

// A rectangle of canvas pixels, half-open: [left, right) x [top, bottom).
struct canvas_rect {
    int left, top, right, bottom;
};

// Pixels of a view tile that the game animates, found by photographing one view more than once;
// empty when nothing is known.
using moving_pixels = std::vector<bool>;

// Adds to `moving` the view tile pixels that differ between two snapshots of one view. Returns
// false, and forgets what it knew, when the two differ too much for animation (the game redrew
// the view in between).
bool note_moving_pixels(const image& earlier, const image& later, moving_pixels& moving);

// Of the pixels that the view tile of `snapshot`, placed at (`x`, `y`), shares with `area` inside
// `map`, leaving out `moving` ones: how many there are, and how many differ from the canvas
// (some colour by more than 8).
struct seam_counts {
    long compared = 0;
    long differing = 0;
};
seam_counts compare_seam(const image& canvas, const image& snapshot, int x, int y,
                         const photographed_area& area, const canvas_rect& map,
                         const moving_pixels& moving = {});

// Whether a seam shows the view where it was asked for: at most a fifth of its pixels differ
// (what animation changes between two pictures), or it has fewer than 1024 pixels to tell by.
// A view one tap or more off shows other land there: on textured land most pixels differ; on
// land without features (black, open water) the picture is the same either way.
bool seam_matches(const seam_counts& counts);
