// A capture's scan under way: its state, in the words of map_capture.h, which the steps of the
// scan (capture_settle, capture_size_proof, capture_look, capture_stitch) change.
#pragma once

#include "capture_driver.h"
#include "map_stitching.h"
#include "view_check.h"

#include <optional>

using capture_clock = std::chrono::steady_clock;

// How the scan stopped, thrown from the steps below (many of them run in a key burst's pauses,
// where the driver lets an exception end the burst with no key held) and caught once, by the
// scan; a misplaced screen that going back to the top-left limit may mend is caught by the walk
// first, to do that.
[[noreturn]] inline void stop_scan(scan_outcome outcome)
{
    throw outcome;
}

// A stop whose snapshot is taken and not yet used: where its view tile goes in the canvas, in
// pixels, and when its snapshot was taken.
struct waiting_stop {
    walk_stop stop;
    int left_px, top_px;
    capture_clock::time_point taken_at;
};

// The map as stitched so far, in canvas pixels throughout: the canvas, the part of it that the
// screens placed cover, the view tile placed last, and how many of the map's rows
// no later screen changes, and how many of those were handed on.
struct stitched_map {
    const map_size& size;
    image canvas;  // allocated in the first burst's pause: a few megabytes to clear
    int origin = map_origin(size);
    canvas_rect map{origin, origin, origin + size.map_pixels, origin + size.map_pixels};
    placed_area area;
    image last_tile;
    int rows_final = 0;
    int rows_handed_on = 0;
};

// What the capture keeps of its snapshots from one stop to the next: the memory they go to,
// and how long the snapshots of a view must agree, longer while the game is seen catching up.
struct snapshots {
    client_snapshot latest;   // of the stop waiting, its latest snapshot
    client_snapshot retaken;  // a snapshot taken again, to compare with `latest`
    capture_clock::duration stillness = settle_pause;
};

// A view that has settled, and since when it stood still.
struct settled {
    image snapshot_image;
    capture_clock::time_point still_since;
};

// The view settled last, screen or look, and where the walk had it: a look is compared with it,
// and so is a screen that follows a look.
struct seen_view {
    settled view;
    int x_taps, y_taps;
    bool look;
};

// A scan under way: what it works with, and what it owns, each changed by the steps below only:
// the map stitched so far, the snapshots, the stop waiting to be used and the view settled
// last.
struct scan {
    const map_size& size;
    const capture_driver& driver;
    const game_window window;
    const map_rows_sink& sink;
    const capture_observer& observer;
    stitched_map map{size};
    snapshots taken;
    std::optional<waiting_stop> waiting;
    std::optional<seen_view> reference;
    int recoveries = 0;
    bool size_unchecked = false;  // a proof of the map's size saw too little to tell
};
