// The control window as the player sees it on every platform: its size, and each control's
// place, label and (for the sliders) range. Each platform's window is built from these numbers,
// and the tests click by them.
#pragma once

#include "map_walk.h"

struct control_place {
    int x, y, w, h;
    const char* label;
    constexpr int centre_x() const { return x + w / 2; }
    constexpr int centre_y() const { return y + h / 2; }
};

struct slider_range {
    double low, high, step, initial;
};

inline constexpr int window_width = 400;
inline constexpr int window_height = 300;

// The sliders' labels lie in the 50 pixels left of them.
inline constexpr control_place size_place{50, 25, 330, 25, "Size"};
inline constexpr slider_range size_range{1, offered_map_sizes, 1, 2};
inline constexpr control_place capture_place{150, 60, 100, 25, "capture"};
inline constexpr control_place quality_place{50, 100, 330, 25, "Quality"};
inline constexpr slider_range quality_range{20, 75, 5, 50};
inline constexpr control_place zoom_place{50, 125, 330, 25, "Zoom"};
inline constexpr slider_range zoom_range{0.05, 1, 0.05, 0.5};
inline constexpr control_place compress_place{150, 160, 100, 25, "compress"};
inline constexpr control_place credit_place{200, 250, 150, 25, "Tilequilt map stitcher"};
