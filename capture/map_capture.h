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
// - settled: a view that stood still over two snapshots with no key between them, for at least
//   the stillness asked (longer once the game was seen behind its keys);
// - the reference: the view settled last, which the next look (or the screen after a look) is
//   checked against, by how far the walk moved the view;
// - a misfit: a screen that stands still where it does not fit the screens beside and above it;
// - the corner and the far edge: the two proofs of the map's size (a tap past the top-left limit
//   does not move the view; the view stands at the right limit of a map of the size asked for);
// - an outcome (`scan_outcome`): how a scan stopped, or that it ended;
// - the canvas: the image the screens' view tiles are placed in, from which the map is cut; the
//   placed area, the part of it the placed screens cover; a band, a few of the map's final rows
//   handed on to the encoders.
#pragma once

#include "cimg.h"
#include "game_window.h"
#include "image_errors.h"
#include "map_files.h"
#include "map_walk.h"

#include <chrono>
#include <functional>
#include <optional>

// How long the capture waits, before its first key, for the game to get the keyboard (the player
// clicks into it), and for the desktop to let the keys through (the player allows it).
inline constexpr std::chrono::seconds focus_wait{10};
inline constexpr std::chrono::seconds permission_wait{30};
// Some desktops act on a focus request a little late: only a refusal that lasts this long is
// the player's to solve.
inline constexpr std::chrono::milliseconds focus_grace{1000};
// When a screen has settled: snapshots with no key between them agree over `settle_pause`.
// The second is taken that long after the first, inside the next burst's focus pause, so a game
// that keeps up costs no time. While they disagree, the view is taken again every
// `retake_pause`, up to `settle_limit` after the first snapshot; and since a game that was
// seen catching up may draw frames longer than the gap between two snapshots, the stillness
// asked of every later screen doubles, up to `longest_stillness`. The first screen, which has no
// neighbours to check it against, must stand still over `settle_pause` plus `retake_pause`
// (where no tap comes before it after the first burst, the view is looked at right after that
// burst, and the time since counts). A
// view that stands still but is the previous screen, or does not fit its neighbours, is given
// `misfit_limit` to change.
inline constexpr std::chrono::milliseconds settle_pause{40};
inline constexpr std::chrono::milliseconds retake_pause{100};
inline constexpr std::chrono::milliseconds longest_stillness{640};
inline constexpr std::chrono::seconds settle_limit{10};
inline constexpr std::chrono::milliseconds misfit_limit{1500};

// The game's side of a capture: everything `capture_map` asks of the game. A table, where the
// driver itself is chosen at link time, because the capture is also run against a game a test
// plays on its own clock (late, hanging, missing taps, of another size), in milliseconds instead
// of minutes.
struct capture_driver {
    game_status (*scroll_map_view)(game_window window, int dx, int dy, const pause_work& work,
                                   bool continuing);
    // A snapshot in two steps: the pixels are taken while the view stands still, and written
    // as the snapshot file (and read back) while the next burst waits for the game anyway.
    game_status (*take_client_snapshot)(game_window window, client_snapshot& snapshot);
    game_status (*write_snapshot_file)(const client_snapshot& snapshot);
    // The capture's clock and its way of waiting for the game: the real ones, or a test's own.
    std::chrono::steady_clock::time_point (*now)();
    void (*sleep_until)(std::chrono::steady_clock::time_point moment);
};

// The real game window driver.
extern const capture_driver game_driver;

// What the capture tells its caller while it runs; any of them may be left out.
struct capture_observer {
    // The capture starts waiting for the player (focus_refused: the game must be clicked;
    // keys_undelivered: the desktop must allow the keys), or the wait is over (ok).
    void (*waiting)(game_status why) = nullptr;
    // A screen showed the view elsewhere than the walk asked, and the capture goes back to the
    // top-left limit to find its place again.
    void (*recovering)() = nullptr;
    // Screen `screen` of `screens` is being taken, about `seconds_left` before the end.
    void (*progress)(int screen, int screens, int seconds_left) = nullptr;
    // Called every few milliseconds while the capture waits for the game, never while a key is
    // held: the caller's window may answer its desktop meanwhile.
    void (*idle)() = nullptr;
    // The map proved to be of size index `map_size_index`, not `asked_size_index` (-1: none was
    // given), and is taken again at its own size.
    void (*resizing)(int asked_size_index, int map_size_index) = nullptr;
};

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
};

// Receives the rows of the map, top to bottom, in bands of a few rows (`first_row` is the map row
// the band starts at), as soon as the scan has them final.
using map_rows_sink = std::function<void(image& band, int first_row)>;

// How a scan ended: ok, or the reason it stopped, with what was measured.
struct scan_outcome {
    game_status status = game_status::ok;
    // view_misplaced: going back to the top-left limit would only meet it again (the view
    // stands at a scroll limit).
    bool final = false;
    // map_size_differs: the map's real size; -1 while only known to be larger than asked.
    int map_size_index = -1;
    // Where the view was measured to stand, in taps from the left limit: past the limit of the
    // size asked for (a larger map), or at a limit no map size has (map_size_unusual).
    std::optional<int> x_taps;
    // A picture of the scan that could not be read or written.
    std::optional<image_error> error;
    // The corner or the far edge showed nothing to tell a move by (unexplored land is black like
    // the world's end): the map was taken at the size asked for, unproved.
    bool size_unchecked = false;
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
