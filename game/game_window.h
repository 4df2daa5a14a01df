// The game window driver: the only way the rest of the tool reaches the running game.
// Three operations: find the game's top-level window by its title, scroll its map view with
// Ctrl+arrow taps, and photograph its client area into the snapshot file.
#pragma once

#include "game_window_handle.h"  // the platform's own window handle type, as `game_window`

// Title of the game's main window.
inline constexpr char game_window_title[] = "Heroes of Might and Magic III";

// Name of the snapshot file, written into the current working folder.
inline constexpr char snapshot_file_name[] = "tmp.bmp";

// The top-level window whose title equals `title` without regard to case; a null handle when there
// is none (or no desktop to look on).
game_window find_game_window(const char* title);

// Brings the window to the front and types one burst of Ctrl+arrow taps into it: `dx` taps right
// (left when negative), then `dy` taps down (up when negative). Returns false, without sending
// further keys, when the window has gone away; the keys then reach no other program.
bool scroll_map_view(game_window window, int dx, int dy);

// Writes what the window's client area shows now as a 32-bit bitmap named by `snapshot_file_name`.
// Returns false after printing "capture fail!" on standard output when the picture could not be
// taken or the file could not be written in full; the previous file is then left as it was.
bool snapshot_client_area(game_window window);
