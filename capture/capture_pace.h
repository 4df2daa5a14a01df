// The game's pace: every burst of the scan goes through here, so that the capture knows how many
// taps the game still has to work through, and by when it will have at its measured pace.
#pragma once

#include "scan_state.h"

// Sends one burst of `dx`, `dy` taps, as the driver's `scroll_map_view`, and counts its taps.
game_status send_burst(scan& run, int dx, int dy, const pause_work& work = {},
                       bool continuing = true);

// The view was proved where the keys put it, so the game has handled every tap sent: where it
// was seen to change meanwhile, `last_unchanged_at` is when it was last seen not yet there, and
// the time from the first tap to then tells the game's time per tap.
void note_caught_up(scan& run, std::optional<capture_clock::time_point> last_unchanged_at,
                    capture_clock::time_point proved_at);

// How long a frame of the game is taken to last: a view that cannot be proved must stand still
// for longer than that.
capture_clock::duration frame_time(const scan& run);
