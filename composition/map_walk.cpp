#include "map_walk.h"

std::vector<int> walk_stops(const MapSizeRow& row)
{
    std::vector<int> stops;
    for (int k = 0; k + 1 < row.screens_per_side; ++k)
        stops.push_back(row.start_taps + row.step_taps * k);
    stops.push_back(row.last_taps);
    return stops;
}
