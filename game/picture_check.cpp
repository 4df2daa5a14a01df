// What every platform's grab checks of its picture before it counts as one.
#include "game_window.h"

#include <cstdint>
#include <cstring>

bool shows_nothing(const client_picture& picture)
{
    if (picture.width < min_client_width || picture.height < min_client_height ||
        picture.rows.size() < 4)
        return true;
    // Blue, green and red of each 4-byte pixel; the fourth byte is whatever the system leaves.
    const auto colour = [&](std::size_t at) {
        std::uint32_t pixel;
        std::memcpy(&pixel, picture.rows.data() + at, 4);
        return pixel & 0x00ffffffu;
    };
    const std::uint32_t first = colour(0);
    for (std::size_t at = 4; at + 4 <= picture.rows.size(); at += 4)
        if (colour(at) != first)
            return false;
    return true;
}
