// The adventure maps the stand-in game shows when it is given no picture of its own.
#pragma once

#include "standin_picture.h"

#include <cstdint>

// A generated map of `side` pixels: terrain regions, a texture inside every 32-pixel tile with a
// mark at a spot of its own (so that no two tiles look alike), roads and small objects, all
// fixed by `seed`.
rgb_picture generate_map(int side, std::uint32_t seed);
