// What every platform's snapshot is checked for before it counts as one.
#include "game_window.h"

#include <cstdint>
#include <cstring>

bool shows_nothing(const client_snapshot& snapshot)
{
    if (snapshot.width < min_client_width || snapshot.height < min_client_height ||
        snapshot.rows.size() < 4)
        return true;
    // Blue, green and red of each 4-byte pixel; the fourth byte is whatever the system leaves.
    const auto colour = [&](std::size_t at) {
        std::uint32_t pixel;
        std::memcpy(&pixel, snapshot.rows.data() + at, 4);
        return pixel & 0x00ffffffu;
    };
    const std::uint32_t first = colour(0);
    for (std::size_t at = 4; at + 4 <= snapshot.rows.size(); at += 4)
        if (colour(at) != first)
            return false;
    return true;
}
