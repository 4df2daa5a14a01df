// The parts of a capture's scan, shared by the files that make it: the scan's state and the
// steps the pipeline of capture_scan.cpp is made of, in the words of map_capture.h.
#pragma once

#include "map_capture.h"
#include "map_stitching.h"
#include "view_check.h"

#include <optional>

using capture_clock = std::chrono::steady_clock;

// Thrown by the snapshot work when a view cannot be used: it is not where the walk asked, it never
// settled, or its snapshot could not be taken or written. A `final` refusal is one that going
// back to the top-left limit would only meet again: the view stands at a scroll limit.
struct screen_refused {
    game_status status;
    bool final = false;
};

// Thrown when a look shows the view past a limit that a map of the size asked for has: the map
// is larger. `x_taps`: where the view stands from the left limit, when that is known.
struct map_larger {
    std::optional<int> x_taps;
};

// Thrown once the map's real size is known, and it is not the size asked for.
struct map_size_found {
    int size_index;
};

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
    image snapshot;
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
};

// The map stitched so far (capture_stitch.cpp).
// Work done before the first key of a capture, in the first burst's pause: the canvas cleared,
// and the snapshots' memory and the grabbing path set up by a snapshot that is thrown away,
// so that neither costs time once the keys go; a window that gives no snapshot stops the
// capture there.
void prepare_capture(stitched_map& map, snapshots& taken, const capture_driver& driver,
                     game_window window);
// Whether a screen's view has changed since the screen placed last and fits the screens it
// overlaps. A look is not placed: it always fits.
bool fits_the_map(const stitched_map& map, const waiting_stop& waiting, const image& snapshot);
void place_screen(stitched_map& map, const waiting_stop& waiting, const image& snapshot);
// Hands on the next band of final rows, if there is one; false once none is left.
bool hand_on_band(stitched_map& map, const map_rows_sink& sink);

// Snapshots and settling (capture_settle.cpp).
// `snapshot` as the snapshot file, and back as the capture reads it.
image read_back(const capture_driver& driver, const client_snapshot& snapshot);
// Takes the view's snapshot for the waiting stop (again, after a recovery), noting when.
game_status snapshot_waiting_stop(scan& run);
// The view's snapshot at the stop, as the stop waiting to be used.
game_status snapshot_stop(scan& run, const walk_stop& stop);
// Settles the waiting stop's view, checks it, and places a screen in the map.
void use_waiting_stop(scan& run);
// One piece of the work done in a burst's pauses; false once nothing is left.
bool work_in_pause(scan& run);
// Sends the view `dx`, `dy` taps on and returns its snapshot once it has settled.
image look_after(scan& run, int dx, int dy);

// The map's size proved, or found (capture_size_proof.cpp).
// How far the walk moved the view from the view settled last, where that is to be checked.
std::optional<tap_shift> expected_shift(const scan& run, const walk_stop& stop);
// The view of `stop` against the view settled last; throws when it is elsewhere.
void check_against_reference(const scan& run, const walk_stop& stop, const image& snapshot);
// A screen that did not fit, with its view short of its stop: throws when the view stands at a
// scroll limit; returns when it can still move on.
void check_for_limit(scan& run);
// The map is larger than the size asked for: its size, found by walking on to the right limit.
int find_map_size(scan& run, std::optional<int> x_taps);
