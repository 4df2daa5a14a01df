// What the stand-in game's window shows: an interface like the game's, a minimap with the view
// outlined, and the map view showing map pixels one to one, with what the game draws beyond the
// map's edge; a game that draws a smaller picture stretches it to its window.
#pragma once

#include "standin_model.h"

// The whole client area for a view (in taps from the top-left limit).
rgb_picture render_client_area(const standin_game& game, int view_x, int view_y);
