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

walk_stop look_at(std::vector<std::pair<int, int>> bursts, int x, int y, stop_proof proves,
                  bool shows_caught_up = false)
{
    return {std::move(bursts), x, y, false, false, stop_kind::look, proves, shows_caught_up};
}

}  // namespace

std::vector<walk_stop> map_walk(const map_size& size)
{
    const std::vector<int> stops = walk_stops(size);
    const int n = static_cast<int>(stops.size());
    std::vector<walk_stop> walk{look_at({}, 0, 0, stop_proof::nothing),
                                look_at({{1, 0}}, 1, 0, stop_proof::nothing, true)};
    int x = 1, y = 0;
    for (int i = 0; i < n; ++i) {
        const bool leftward = i % 2 == 1;
        for (int k = 0; k < n; ++k) {
            const int column = stops[static_cast<std::size_t>(leftward ? n - 1 - k : k)];
            walk_stop stop{{}, column, stops[static_cast<std::size_t>(i)], k == 0, k == n - 1};
            if (i == 0 && k == 0) {
                // One tap each way past the top-left limit, then the first stop.
                stop.bursts.emplace_back(-x - 1, -1);
                stop.bursts.emplace_back(stop.x, stop.y);
                stop.proves = stop_proof::corner;
            } else {
                stop.bursts.emplace_back(stop.x - x, stop.y - y);
            }
            x = stop.x;
            y = stop.y;
            walk.push_back(std::move(stop));
            if (k == n - 1 && i == 0) {
                // Past the right limit, and one tap back.
                walk.push_back(look_at({{size.traverse_taps - x + taps_past_limit, 0}},
                                       size.traverse_taps, y, stop_proof::nothing));
                x = size.traverse_taps - 1;
                walk.push_back(look_at({{-1, 0}}, x, y, stop_proof::far_edge, true));
            }
        }
    }
    return walk;
}
