#include "map_walk.h"

#include <cstddef>

std::vector<int> walk_stops(const map_size& size)
{
    std::vector<int> stops;
    for (int k = 0; k + 1 < size.screens_per_side; ++k)
        stops.push_back(size.start_taps + size.step_taps * k);
    stops.push_back(size.last_taps);
    return stops;
}

namespace {

// Past the limit by more than one tap, so that a tap the game missed does not pass for the limit.
constexpr int taps_past_limit = 2;

walk_stop look_at(std::vector<std::pair<int, int>> bursts, int x, int y, stop_proof proves)
{
    return {std::move(bursts), x, y, false, false, stop_kind::look, proves};
}

// Sends the view past the right limit and looks at it there.
walk_stop far_edge_look(const map_size& size, int x, int y)
{
    return look_at({{size.traverse_taps - x + taps_past_limit, 0}}, size.traverse_taps, y,
                   stop_proof::far_edge);
}

}  // namespace

std::vector<walk_stop> map_walk(const map_size& size)
{
    const std::vector<int> stops = walk_stops(size);
    const int n = static_cast<int>(stops.size());
    std::vector<walk_stop> walk{look_at({}, 0, 0, stop_proof::nothing)};
    int x = 0, y = 0;
    for (int i = 0; i < n; ++i) {
        const bool leftward = size.both_ways && i % 2 == 1;
        for (int k = 0; k < n; ++k) {
            const int column = stops[static_cast<std::size_t>(leftward ? n - 1 - k : k)];
            walk_stop stop{{}, column, stops[static_cast<std::size_t>(i)], k == 0, k == n - 1};
            if (i == 0 && k == 0) {
                // One tap toward the top-left limit must not move the view; then the first stop.
                if (size.start_taps == 0) {
                    stop.bursts.emplace_back(-1, -1);
                    stop.proves = stop_proof::corner;
                } else {
                    walk.push_back(look_at({{-1, -1}}, 0, 0, stop_proof::corner));
                    stop.bursts.emplace_back(stop.x, stop.y);
                }
            } else if (k == 0 && !size.both_ways) {
                stop.bursts.emplace_back(-size.traverse_taps, stop.y - y);
                stop.bursts.emplace_back(stop.x, 0);
            } else if (k == 0) {
                stop.bursts.emplace_back(stop.x - x, stop.y - y);
            } else {
                stop.bursts.emplace_back(stop.x - x, 0);
            }
            x = stop.x;
            y = stop.y;
            walk.push_back(std::move(stop));
            if (k == n - 1 && i == 0) {
                walk.push_back(far_edge_look(size, x, y));
                x = size.traverse_taps;
            }
        }
    }
    return walk;
}
