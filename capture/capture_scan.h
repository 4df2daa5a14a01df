// The scan of a capture: its first burst, the walk stop by stop, and the recovery of a screen
// found elsewhere than the walk asked.
#pragma once

#include "capture_driver.h"

// The scan of `capture_map` without the files: the map goes to `sink` band by band, mostly while
// the scan waits for the game anyway. Returns how it ended, an image error (a snapshot that
// could not be read back, or what the sink threw) among the reasons.
scan_outcome scan_map(game_window window, const map_size& size, const capture_driver& driver,
                      const map_rows_sink& sink, const capture_observer& observer = {});
