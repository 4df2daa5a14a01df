// The stand-in game: a scrolling adventure-map view that answers the tool the way the real game
// does. This model holds everything but the window, so that every platform's window behaves
// alike and tests can compute what the window must show.
#pragma once

#include "standin_geometry.h"
#include "standin_log.h"
#include "standin_picture.h"

#include <cstdio>
#include <set>
#include <string>

// What the game draws beyond the map's edge: black, or a one-tile frame around the map and a
// rock pattern beyond it that repeats every four tiles, scrolling with the map.
enum class standin_edge { black, rock };

struct standin_faults {
    std::set<int> ignored_taps;  // tap numbers (1 = first Ctrl+arrow press) that do nothing
    int redraw_delay_ms = 0;     // a view change shows only this long after its tap
    int draw_cost_ms = 0;        // processor time a tap's frame takes to work out before it is
                                 // shown: a game slower than the taps falls behind its keys
    int close_after_taps = 0;    // the window closes after this many taps; 0: never
    int limit_x = -1;            // right and bottom scroll limits nearer than the map's own,
    int limit_y = -1;            // in taps; -1: the map's own
    int hang_at_tap = 0;         // at this tap the game stops answering for `hang_ms`, as a
    int hang_ms = 0;             // game that saves now and then does; 0: never
    bool blank = false;          // its window shows one colour, as a game drawn through a path
                                 // that a snapshot of the window does not see
};

// Like the game's water and flags, some tiles of the map (scattered; 4 % by default, most of them
// on a map mostly of water) may animate: their colours turn on a cycle of 3 frames of this length.
inline constexpr int standin_frame_ms = 150;
inline constexpr int standin_default_animated_percent = 4;
bool standin_tile_animates(int tile_x, int tile_y, int animated_percent);

struct standin_game {
    standin_geometry geometry;
    standin_edge edge = standin_edge::rock;
    int unexplored_tiles = 0;  // a band of this many tiles along the map's edges is black,
                               // unexplored land
    rgb_picture map;
    rgb_picture minimap;
    int limit_x = 0;  // right and bottom scroll limits in taps; left and top are 0
    int limit_y = 0;
    int view_x = 0;   // the view in taps from the top-left limit
    int view_y = 0;
    int animated_percent = 0;  // share of the tiles that animate; 0: none
    int frame = 0;    // the animation's frame, counting up
    int taps = 0;
    standin_faults faults;
    std::FILE* key_log = nullptr;
    std::string state_file;
};

// Prepares a game on `map` with the view at (`view_x`, `view_y`) taps, clamped to the limits;
// a negative value starts in the middle.
void start_standin(standin_game& game, rgb_picture map, int view_x, int view_y);

// What a key event does; it is logged first, with its time and `ctrl_held`: whether Ctrl is in
// the event's own modifier state. An arrow without it does not scroll (in the game it would give
// the hero orders). Returns true when the view changed (the state file then holds the new view).
bool handle_standin_key(standin_game& game, standin_key key, bool pressed, bool ctrl_held,
                        long long event_ms);

// How long the game stops answering now, after the key just handled (once, at the fault's tap);
// 0 mostly.
int standin_hang_due(standin_game& game);

// True once the game should close its window (after the fault's number of taps).
bool standin_should_close(const standin_game& game);

// Writes the current view to the state file, if one was asked for.
void save_standin_state(const standin_game& game);
