#include "map_walk.h"

#include <cstddef>

std::vector<int> walk_stops(const map_size_row& row)
{
    std::vector<int> stops;
    for (int k = 0; k + 1 < row.screens_per_side; ++k)
        stops.push_back(row.start_taps + row.step_taps * k);
    stops.push_back(row.last_taps);
    return stops;
}

std::vector<walk_stop> map_walk(const map_size_row& row)
{
    const std::vector<int> stops = walk_stops(row);
    const int n = static_cast<int>(stops.size());
    std::vector<walk_stop> walk;
    int x = 0, y = 0;
    for (int i = 0; i < n; ++i) {
        const bool leftward = row.both_ways && i % 2 == 1;
        for (int k = 0; k < n; ++k) {
            const int column = stops[static_cast<std::size_t>(leftward ? n - 1 - k : k)];
            walk_stop stop{{}, column, stops[static_cast<std::size_t>(i)], k == 0, k == n - 1};
            if (k == 0 && (i == 0 || !row.both_ways)) {
                stop.bursts.emplace_back(i == 0 ? 0 : -row.traverse_taps, stop.y - y);
                x = 0;
            } else if (k == 0) {
                stop.bursts.emplace_back(0, stop.y - y);
            }
            if (k > 0 || !row.both_ways || i == 0)
                stop.bursts.emplace_back(stop.x - x, 0);
            x = stop.x;
            y = stop.y;
            walk.push_back(std::move(stop));
        }
    }
    return walk;
}
