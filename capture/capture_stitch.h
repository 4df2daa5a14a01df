// The map stitched so far: the canvas set up, a screen checked against it and placed in it,
// and its final rows handed on band by band.
#pragma once

#include "scan_state.h"

// Work done before the first key of a capture, in the first burst's pause: the canvas cleared,
// and the snapshots' memory and the way snapshots are taken set up by one that is thrown away,
// so that neither costs time once the keys go; a window that gives no snapshot stops the
// capture there.
void prepare_capture(stitched_map& map, snapshots& taken, const capture_driver& driver,
                     game_window window);
// Whether a screen's view has changed since the screen placed last and fits the screens it
// overlaps. A look is not placed: it always fits.
bool fits_the_map(const stitched_map& map, const waiting_stop& waiting, const image& snapshot_image);
void place_screen(stitched_map& map, const waiting_stop& waiting, const image& snapshot_image);
// Hands on the next band of final rows, if there is one; false once none is left.
bool hand_on_band(stitched_map& map, const map_rows_sink& sink);
