// What the stand-in game's window shows: an interface frame like the game's, a minimap, and the
// map view showing map pixels one to one.
#pragma once

#include "standin_model.h"

// The whole 800 x 600 client area for a view: interface panels, the minimap with the view's
// outline, and the map view, black beyond the map.
rgb_picture render_client_area(const standin_game& game, int view_x, int view_y);
