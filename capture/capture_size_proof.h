// The map's size: the corner and the far edge proved by looks, a smaller map told from a missed
// key by a view standing at a scroll limit, and a larger map's size found by walking on.
#pragma once

#include "scan_state.h"

// How far the walk moved the view from the view settled last, where that is to be checked.
std::optional<tap_shift> expected_shift(const scan& run, const walk_stop& stop);
// The view of `stop` against the view settled last; stops the scan when it is elsewhere.
void check_against_reference(scan& run, const walk_stop& stop, const settled& view);
// A screen that did not fit, with its view short of its stop: stops the scan when the view stands
// at a scroll limit; returns when it can still move on.
void check_for_limit(scan& run);
// The map is larger than the size asked for: its size, found by walking on to the right limit.
int find_map_size(scan& run, std::optional<int> x_taps);
