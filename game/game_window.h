// The game window driver: the only way the rest of the tool reaches the running game.
// Three operations: find the game's top-level window by its title, scroll its map view with
// Ctrl+arrow taps, and take a snapshot of its client area into the snapshot file. Each reports what
// became of it in its result and nowhere else.
#pragma once

#include "game_contract.h"
#include "game_window_handle.h"  // the platform's own window handle type, as `game_window`

#include <functional>
#include <vector>

// Name of the snapshot file, written into the current working folder.
inline constexpr char snapshot_file_name[] = "tmp.bmp";

// What became of a driver operation.
enum class game_status {
    ok,
    window_gone,        // the window was closed or hidden
    window_too_small,   // its client area cannot hold the view square; no key was sent
    window_size_unfit,  // its client area is not the size whose geometry the capture knows;
                        // no key was sent
    focus_refused,      // it did not hold the keyboard after the focus pause; no key was sent
    focus_lost,         // another window took the keyboard during the burst
    keys_undelivered,   // the desktop did not pass the keys on
    interrupted,        // the process is being ended
    window_covered,     // another window lies over it, and the snapshot would show that window
    window_off_display, // part of it lies off the display, and the snapshot would lack that part
    snapshot_failed,    // its snapshot could not be taken
    file_failed,        // the snapshot file could not be written
    view_misplaced,     // its view was not where the keys should have put it
    view_unsettled,     // its view kept changing: the game did not finish drawing it in time
    control_dropped,    // the desktop took Ctrl out of the keys' modifiers after it went down;
                        // no arrow was sent without it
    map_size_differs,   // its map is larger or smaller than the size the capture was asked for
    map_size_unusual,   // its map ends where a map of none of the sizes does
    map_size_unchecked, // its map showed too little to prove its size by, and none was given
    game_elevated,      // it runs with more rights than the tool, and the system would drop the
                        // keys sent to it; no key was sent
};

// Work the caller wants done while a burst waits for the game anyway. Each call does one short
// piece (a few milliseconds at most) and returns false once nothing is left. It runs only while
// Ctrl is up, so an exception it throws ends the burst with no key held.
using pause_work = std::function<bool()>;

// The top-level window whose title equals `title` without regard to case, preferring a shown one
// that is large enough for the view square; a null handle when there is none.
game_window find_game_window(const char* title);

// One burst: brings the window to the front, waits `focus_pause_ms`, checks that it holds the
// keyboard, then types Ctrl down, `dx` taps right (left when negative), `dy` taps down (up when
// negative), `tap_pause_ms` after each, Ctrl up and `tap_pause_ms` more. Before every key it
// makes sure that the window still exists and still holds the keyboard; when not, it releases
// Ctrl, sends nothing more and says why. Keys thus never reach another program. `work` fills the
// pauses before Ctrl goes down and after it comes up, its first piece always before Ctrl goes
// down (an exception it throws then ends the burst before any key); the pauses are never
// shortened.
// A `continuing` burst (a later one of the same capture) sends nothing, and says focus_lost, when
// the window lost the keyboard since the previous burst: the player clicked elsewhere to stop.
game_status scroll_map_view(game_window window, int dx, int dy, const pause_work& work = {},
                            bool continuing = false);

// A snapshot: the client area's pixels as the snapshot file holds them, bottom row first, 4 bytes
// a pixel (blue, green, red, 0).
struct client_snapshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rows;
};

// Whether a snapshot shows nothing of the game: one colour all over (a window drawn where the
// snapshot cannot see it), or too small for the view square. Never a screen of the walk.
bool shows_nothing(const client_snapshot& snapshot);

// Takes a snapshot of the window's client area, as the window itself shows it, into `snapshot`
// (whose memory is used again): the part of `snapshot_client_area` that must happen while the
// view stands still. A snapshot that shows nothing is snapshot_failed.
game_status take_client_snapshot(game_window window, client_snapshot& snapshot);

// Writes `snapshot` as the snapshot file `snapshot_file_name`, replacing the previous file only
// by a complete one: ok or file_failed.
game_status write_snapshot_file(const client_snapshot& snapshot);

// Both: writes the window's client area, as the window itself shows it, as a 32-bit bitmap
// named by `snapshot_file_name`; the previous file is replaced only by a complete one.
game_status snapshot_client_area(game_window window);
