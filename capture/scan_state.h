// A capture's scan under way: its state, in the words of map_capture.h, which the steps of the
// scan (capture_settle, capture_size_proof, capture_look, capture_stitch) change.
#pragma once

#include "capture_driver.h"
#include "map_stitching.h"
#include "view_check.h"

#include <optional>
#include <vector>

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

// What the capture keeps of its snapshots from one stop to the next: the memory they go to.
struct snapshots {
    client_snapshot latest;   // of the stop waiting, its latest snapshot
    client_snapshot retaken;  // a snapshot taken again, to compare with `latest`
};

// A view that has settled, since when it stood still, and what it showed of where it stands
// (against the screens it shares land with, or the view it was expected to have moved from).
struct settled {
    image snapshot_image;
    capture_clock::time_point still_since;
    standing where = standing::unproved;
};

// How fast the game works through its keys, as measured: a view proved where the walk asked has
// handled every tap sent before it, and the time it took tells the game's time per tap. A view
// that cannot be proved is only used once the game has had that long for every tap sent since
// the last proved view, and has stood still for longer than a frame of it takes.
struct game_pace {
    // The game's time per tap, seen at the last few proved views (a view that kept up counts as
    // the time between two taps), and the one the capture goes by.
    std::vector<capture_clock::duration> seen;
    capture_clock::duration per_tap = std::chrono::milliseconds(tap_pause_ms);
    // Taps sent since the view was last proved, and when the first of them went out.
    int taps = 0;
    capture_clock::time_point first_tap_at{};
    // When the game will have handled all of them, at that pace.
    capture_clock::time_point done_by{};
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
    std::optional<seen_view> row_end;  // the last screen of the row taken last, which the far
                                       // edge is measured from
    game_pace pace;
    int recoveries = 0;
    bool size_unchecked = false;  // a proof of the map's size saw too little to tell
};
