// Views taken until they can be used: a stop's snapshots taken again and again until the view
// is proved where the keys put it, or, where nothing can prove it, until the game has had time
// for every key and the view has stood still; and the looks the size proof takes outside the walk.
#pragma once

#include "scan_state.h"

// What a view is expected to show: the land of `from`, moved by `shift`.
struct expectation {
    const image& from;
    tap_shift shift;
};

// `snapshot` as the snapshot file, and back as the capture reads it.
image read_back(const capture_driver& driver, const client_snapshot& snapshot);
// The waiting stop's view once it can be used, from `earlier`, its first snapshot as read back,
// seen to change last at `still_from`; a view that nothing proves must stand still for `needed`
// at least. A stop that shows the game caught up is proved once its view has moved the way its
// last tap went, from `before` (the view before that tap) or between two of its snapshots. Stops
// the scan when the view keeps changing, or when a screen stands still elsewhere than the walk
// asked.
settled settled_view(scan& run, const waiting_stop& waiting, image earlier,
                     capture_clock::duration needed, capture_clock::time_point still_from,
                     const std::optional<expectation>& expected, const image* before);
// Sends the view `dx`, `dy` taps on and returns its snapshot once it can be used.
image look_after(scan& run, int dx, int dy,
                 const std::optional<expectation>& expected = std::nullopt);
// Sends the view one tap the way `dx` says (against the way the taps before it went) and returns
// its snapshot once it has moved so, from `before`: then the game has handled every key.
image caught_up_look(scan& run, const image& before, int dx);
// Whether the view of `at` stands at a scroll limit in the direction (`dx`, `dy`): a tap further
// leaves it there and a tap back moves it by one. Only a game that has handled both taps can
// show that; a view that can still move on, or a game that does not answer, cannot.
bool stands_at_limit(scan& run, const image& at, int dx, int dy);
