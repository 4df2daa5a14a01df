// Test support: the oracle for a capture's files. The snapshots carry the game's pixels
// losslessly, so a capture of a map must write exactly the JPEG files the tool's writer makes of
// that map, and of that map with its tile grid.
#pragma once

#include "cimg.h"

#include <string>

// "" when `folder` holds the right result.jpg and result-grid.jpg for `map`; else which file is
// wrong and, for result.jpg, the 32-pixel tiles where it differs.
std::string wrong_result_files(const std::string& folder, image map);

// The 32-pixel tiles where two pictures of one size differ, with the largest difference; "" when
// none does.
std::string differing_tiles(const image& got, const image& expected);
