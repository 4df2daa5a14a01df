// Where the stand-in's window shows what, by the stand-in's own numbers (the tool must measure
// them, never share them): a window of any size whose map view grows with it while the right
// panel and the bottom bar keep theirs, as a resolution mod has the game; where the map's corner
// and far edge stand at the scroll limits, by either of the game's two rules; and a game that
// draws a smaller picture and stretches it to its window.
#pragma once

// Title of the game's main window.
inline constexpr char standin_title[] = "Heroes of Might and Magic III";

// The map is square, of 32-pixel tiles; one tap scrolls the view by two of them.
inline constexpr int standin_tile_pixels = 32;
inline constexpr int standin_tap_pixels = 64;
inline constexpr int standin_map_sizes = 7;
inline constexpr int standin_map_tiles[standin_map_sizes] = {36, 72, 108, 144, 180, 216, 252};

// A box of a picture, in pixels, half-open: from (left, top) up to (right, bottom).
struct standin_box {
    int left, top, right, bottom;
};

// Where the map's corner stands at the top-left scroll limit and its far edge at the right and
// bottom ones. `centre`: at both limits they reach the same point near the middle of the view
// (the game at 800 x 600); `border`: a bigger view keeps the borders the view has at 800 x 600
// around the map, and so reaches its limits in fewer taps.
enum class limit_rule { centre, border };

struct standin_geometry {
    int width = 800, height = 600;  // the window's client area
    double stretch = 1;             // the game draws width / stretch x height / stretch pixels and
                                    // stretches them to the window
    limit_rule limits = limit_rule::centre;
    // In the picture the game draws, before any stretching (as `make_standin_geometry` has them
    // for 800 x 600):
    int drawn_width = 800, drawn_height = 600;
    standin_box view{8, 8, 592, 552};         // the map view
    standin_box minimap{616, 24, 776, 184};   // the map scaled down, on the right panel
    int corner_x = 289, corner_y = 264;  // the map's top-left pixel, with the view at the top-left
                                         // limit
    int far_x = 289, far_y = 264;        // the map's far edge (right of its last pixel), at the
                                         // right and bottom limits
};

// The geometry of a window `width` x `height`; false when the picture it draws is smaller than
// 800 x 600 (the game's least).
bool make_standin_geometry(int width, int height, double stretch, limit_rule limits,
                           standin_geometry& geometry);

// Taps from the left (or top) scroll limit to the right (or bottom) one, for a map `side`
// pixels across.
int standin_limit_taps(const standin_geometry& geometry, int side, bool across);
