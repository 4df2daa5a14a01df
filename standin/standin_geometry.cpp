#include "standin_geometry.h"

namespace {

// At 800 x 600: the view is (8, 8)-(592, 552), inside an 8-pixel border, beside a right panel of
// 200 pixels and above a bottom bar of 48; at the top-left limit the map's corner stands at
// (289, 264), 281 and 256 pixels into the view.
constexpr int border = 8, panel = 200, bottom_bar = 48;
constexpr int least_width = 800, least_height = 600;
constexpr int corner_in_x = 281, corner_in_y = 256;
constexpr int view_width_at_least = least_width - panel - 2 * border;  // 592 - 8 = 584
constexpr int view_height_at_least = least_height - bottom_bar - border;  // 552 - 8 = 544

}  // namespace

bool make_standin_geometry(int width, int height, double stretch, limit_rule limits,
                           standin_geometry& geometry)
{
    if (stretch < 1)
        return false;
    geometry.width = width;
    geometry.height = height;
    geometry.stretch = stretch;
    geometry.limits = limits;
    geometry.drawn_width = static_cast<int>(width / stretch);
    geometry.drawn_height = static_cast<int>(height / stretch);
    const int w = geometry.drawn_width, h = geometry.drawn_height;
    if (w < least_width || h < least_height)
        return false;
    geometry.view = {border, border, w - panel - border, h - bottom_bar};
    geometry.minimap = {w - 184, 24, w - 24, 184};
    const int grown_x = (geometry.view.right - geometry.view.left) - view_width_at_least;
    const int grown_y = (geometry.view.bottom - geometry.view.top) - view_height_at_least;
    if (limits == limit_rule::centre) {
        // The corner and the far edge keep to the middle of the view as it grows.
        geometry.corner_x = geometry.view.left + corner_in_x + grown_x / 2;
        geometry.corner_y = geometry.view.top + corner_in_y + grown_y / 2;
        geometry.far_x = geometry.corner_x;
        geometry.far_y = geometry.corner_y;
    } else {
        geometry.corner_x = geometry.view.left + corner_in_x;
        geometry.corner_y = geometry.view.top + corner_in_y;
        geometry.far_x = geometry.corner_x + grown_x;
        geometry.far_y = geometry.corner_y + grown_y;
    }
    return true;
}

int standin_limit_taps(const standin_geometry& geometry, int side, bool across)
{
    // The view scrolls until the map's far edge has come to its place, or past it by less than
    // a tap.
    const int corner = across ? geometry.corner_x : geometry.corner_y;
    const int far = across ? geometry.far_x : geometry.far_y;
    const int pixels = corner + side - far;
    return pixels > 0 ? (pixels + standin_tap_pixels - 1) / standin_tap_pixels : 0;
}
