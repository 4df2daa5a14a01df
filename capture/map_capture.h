// The map capture: scroll the game's view over the whole map screen by screen, cut the view tile
// out of every snapshot, stitch the tiles into one image of the map, and write it with and
// without its tile grid. The words the capture uses, in its code, its tests and the README, each
// for one thing only:
// - the view: what the game's map view shows at a moment;
// - a snapshot: the game window's client area as taken at a moment, its rows of pixels
//   (`client_snapshot`); to take a snapshot (`take_client_snapshot`) is the only verb for it;
// - a snapshot image: a snapshot read back through the snapshot file as an image, which the
//   checks compare (`snapshot_image`);
// - a view tile: the 512 x 512 square of a snapshot that shows the map one to one;
// - a tap: one Ctrl+arrow key, 64 pixels of the map; a burst: the taps of one Ctrl press;
// - a stop: a place of the walk, in taps from the top-left limit; a screen is a stop whose view
//   tile goes into the map (the player's progress counts screens), a look one whose view is only
//   checked; the display is what the desktop shows windows on (never "screen");
// - the waiting stop: the stop whose snapshot is taken and not yet used, which the pauses of the
//   next bursts settle, check and place;
// - settled: a view that stood still over two snapshots with no key between them and is proved
//   where the keys put it (or, where nothing can prove it, was given the game's measured time for
//   every tap);
// - proved: a view that shows, in the land it shares with the screens beside and above it or
//   with the view before it, that it stands exactly where the walk asked: then the game has
//   handled every key sent, however slow its frames; a look after a tap against the way the taps
//   before it went is proved once the view has moved that way;
// - the pace: the game's time per tap, measured at the views proved;
// - the reference: the view settled last, which the screen after a look is checked against, by
//   how far the walk moved the view;
// - a misfit: a screen that stands still where it does not fit the screens beside and above it;
// - the corner and the far edge: the two proofs of the map's size (taps past the top-left limit
//   do not move the view; taps past the right limit of a map of the size asked for leave it
//   there);
// - an outcome (`scan_outcome`): how a scan stopped, or that it ended;
// - the canvas: the image the screens' view tiles are placed in, from which the map is cut; the
//   placed area, the part of it the placed screens cover; a band, a few of the map's final rows
//   handed on to the encoders.
#pragma once

#include "capture_driver.h"
#include "map_files.h"

#include <optional>

// How a capture ended: with both results written, or stopped by the game (`game`, nothing
// written) or by a file that could not be read or written (`error`, nothing replaced).
// `map_size_index`: the size the map was taken at (or, with map_size_differs, the size the
// second look found); with map_size_unusual, `map_tiles` is about the map's size in tiles.
// `size_unchecked`: the map showed nothing to prove its size by (taken at the size hinted).
struct capture_result {
    game_status game = game_status::ok;
    std::optional<image_error> error;
    int map_size_index = -1;
    int map_tiles = 0;
    bool size_unchecked = false;
    int window_width = 0, window_height = 0;  // with window_size_unfit: the client area found
};

// Scans the map and writes "result.jpg" and "result-grid.jpg" together, replacing the earlier
// pair only when both are complete. Before any key it makes sure that files can be written in the
// working folder. `size_hint` is the size index the player gave (0 .. 6), or none. The walk
// proves that the view starts at the top-left limit and that the map's far edge lies where the
// size says; a map of another size stops the walk as soon as that is seen, its real size is
// found, and the map is taken again at that size (once, told to `observer.resizing`). A screen
// that shows the view elsewhere than the walk asked sends the view back to the top-left limit
// and straight to that screen's stop again, a few times a capture at most; a screen that still
// does not fit, or a view that stands at a scroll limit no size has, stops it. A map whose size
// could not be proved is taken at the hinted size, and refused without one.
capture_result capture_map(game_window window, std::optional<int> size_hint,
                           const capture_driver& driver = game_driver,
                           const capture_observer& observer = {});
