// A stop's view taken as the walk reaches it, and used in the pauses of the bursts after it:
// settled, checked against the view before it, and placed in the map when it is a screen.
#pragma once

#include "scan_state.h"

// Takes the view's snapshot for the waiting stop (again, after a recovery), noting when.
game_status snapshot_waiting_stop(scan& run);
// The view's snapshot at the stop, as the stop waiting to be used.
game_status snapshot_stop(scan& run, const walk_stop& stop);
// Settles the waiting stop's view, checks it, and places a screen in the map.
void use_waiting_stop(scan& run);
// One piece of the work done in a burst's pauses; false once nothing is left.
bool work_in_pause(scan& run);
