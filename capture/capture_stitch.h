// The map stitched so far: the canvas set up, a screen checked against it and placed in it,
// and its final rows handed on band by band.
#pragma once

#include "scan_state.h"

// Work done before the first key of a capture, in the first burst's pause: the canvas cleared,
// and the snapshots' memory and the way snapshots are taken set up by one that is thrown away,
// so that neither costs time once the keys go. A game that has not drawn into its window yet
// shows one colour: it is looked at again for `blank_patience`, and a window that stays so stops
// the capture there; so does a window whose client area is not the game's 800 x 600.
void prepare_capture(scan& run);
// Where a screen's view stands against the map so far: elsewhere when it is still the screen
// placed last to the pixel (the game has not drawn the new view), else as the land it shares with
// the screens placed shows it. A look is not placed: nothing proves it here.
standing placement_of(const stitched_map& map, const waiting_stop& waiting,
                      const image& snapshot_image);
void place_screen(stitched_map& map, const waiting_stop& waiting, const image& snapshot_image);
// Hands on the next band of final rows, if there is one; false once none is left.
bool hand_on_band(stitched_map& map, const map_rows_sink& sink);
