// Views taken until they have settled: a stop's snapshots compared until they agree, and the
// looks the size proof takes outside the walk.
#pragma once

#include "scan_state.h"

// `snapshot` as the snapshot file, and back as the capture reads it.
image read_back(const capture_driver& driver, const client_snapshot& snapshot);
// The waiting stop's view once it has settled, from `earlier`, its first snapshot as read back,
// standing still since `still_from` and asked to stand still for `needed`.
settled settled_view(scan& run, const waiting_stop& waiting, image earlier,
                     capture_clock::duration needed, capture_clock::time_point still_from);
// Sends the view `dx`, `dy` taps on and returns its snapshot once it has settled.
image look_after(scan& run, int dx, int dy);
