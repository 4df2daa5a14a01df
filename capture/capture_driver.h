// What a capture asks of the game and tells its caller, and how its scan ends, in the words of
// the glossary in map_capture.h: the pauses and limits it keeps, the game's side of it, what it
// tells while it runs, and the outcome of a scan.
#pragma once

#include "cimg.h"
#include "game_window.h"
#include "image_errors.h"
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
// A stop's view is taken right after its keys and again `settle_pause` later, inside the next
// burst's focus pause, so that a game that keeps up costs no time; while the view changes or is
// not yet proved where the keys put it, it is taken again every `sample_pause`, and
// `confirm_pause` after a change. A view that
// nothing proves must stand still for `settle_pause` at least (the first, with nothing before
// it, for `retake_pause` more). A view that keeps changing `settle_limit` past the time the game
// was given for its taps stops the capture; a screen that stands still elsewhere than the walk
// asked is given `misfit_limit` to change. A window that shows one colour is looked at again for
// `blank_patience` before it is refused: the game may not have drawn into it yet.
inline constexpr std::chrono::milliseconds settle_pause{40};
inline constexpr std::chrono::milliseconds sample_pause{10};
inline constexpr std::chrono::milliseconds confirm_pause{2};
inline constexpr std::chrono::milliseconds retake_pause{100};
inline constexpr std::chrono::seconds settle_limit{10};
inline constexpr std::chrono::milliseconds misfit_limit{1500};
inline constexpr std::chrono::seconds blank_patience{2};
// The longest a game may take to handle one tap while the capture waits for it to catch up
// with taps whose effect it cannot see (taps against a scroll limit change nothing).
inline constexpr std::chrono::milliseconds slowest_tap{150};

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
    // The map is done, but another program holds the earlier result file `file` (its full name)
    // open: `holder` is that program's name, or "" when the system does not say. The capture
    // waits for it to let go.
    void (*result_held)(const std::string& file, const std::string& holder) = nullptr;
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
    // window_size_unfit: the game window's client area, as its first snapshot showed it.
    int window_width = 0, window_height = 0;
    // The corner or the far edge showed nothing to tell a move by (unexplored land is black like
    // the world's end): the map was taken at the size asked for, unproved.
    bool size_unchecked = false;
};
