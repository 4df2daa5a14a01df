// What the tool tells the player while it runs, in plain words, in one place: its messages, its
// line on standard output, the titles of its dialogs and of its window while it waits. (The
// window's own labels are part of its layout; the command line's usage is with the command line.)
#pragma once

#include "game_window.h"
#include "image_errors.h"

#include <string>

// The tool window's title.
inline constexpr char window_title[] = "Tilequilt";

// The window's title from the moment a button is pressed until its action ends: the press
// shows at once, before the game is looked up or any file is read.
inline constexpr char capturing_title[] = "Tilequilt - capturing";
inline constexpr char compressing_title[] = "Tilequilt - compressing";

// No game window to capture.
inline constexpr char game_not_found_message[] = "h3 not found!";
// What it means, on standard output.
inline constexpr char game_not_found_line[] =
    "capture: h3 not found: no window titled \"Heroes of Might and Magic III\" is shown; start "
    "the game, restore it if it is minimised, and give it that title under Wine";
// Compress found no capture results.
inline constexpr char capture_first_message[] = "make sure to capture the h3 map first!";
// The line on standard output when a capture stops.
inline constexpr char capture_failed_line[] = "capture fail!";
// The line on standard output when a capture found the view elsewhere than it asked, and went
// back to the map's top-left corner to find its place again.
inline constexpr char capture_recovered_line[] =
    "capture: the view was not where the keys should have put it; finding its place again from "
    "the top-left corner";

// Why a capture stopped, for the message box; empty for ok.
std::string capture_stop_message(game_status status);

// A map of size index `size_index` in words: "a large map (108 tiles a side)", "a map of 180
// tiles a side".
std::string map_size_name(int size_index);

// The line on standard output, and the start of the message, when the map is not of the size
// the Size slider says: which size it is, and the Size to set. Size indices are 0-based.
std::string map_size_line(int asked_size_index, int map_size_index);

// The line on standard output, and the window's title, when the map proved to be of another size
// than the one asked (-1: none was asked) and is taken again at its own.
std::string resizing_line(int asked_size_index, int map_size_index);
std::string resizing_title(int map_size_index);

// The line on standard output, and the start of the message, when the map ends where a map of
// none of the sizes does: about `tiles` tiles a side.
std::string unusual_size_line(int tiles);

// The line on standard output, and the start of the message, when the game window's client area
// is `width` x `height`, not the 800 x 600 whose map view the capture knows.
std::string window_size_line(int width, int height);

// The line on standard output after a map was written at the size the Size slider says, which
// its corner or far edge showed too little to prove (unexplored land is as black as the world's
// end); the window's title says it until the next action.
std::string size_unchecked_line(int size_index);
inline constexpr char size_unchecked_title[] = "Tilequilt - the map's size could not be checked";

// The line on standard output, and the window's title, while the capture waits for the program
// `holder` ("" when unknown) to let go of the earlier result `file` (its full name).
std::string result_held_line(const std::string& file, const std::string& holder);
std::string result_held_title(const std::string& file);

// Why the results cannot go into `folder`: it cannot be written, or it is a temporary one.
std::string folder_unfit_line(const std::string& folder, bool writable);
// The question that follows, in the window: the Pictures folder instead?
std::string pictures_question(const std::string& folder_unfit, const std::string& pictures);
// On the terminal instead: how to start the tool to use the Pictures folder.
std::string pictures_hint(const std::string& pictures);

// The progress line on a terminal, and the window's title, while a capture runs.
std::string progress_line(int screen, int screens, int seconds_left);
std::string progress_title(int screen, int screens);

// The title of the window that shows an image error: the name the image library gives such an
// error, as its own error window shows it.
const char* image_error_title(image_failure what_failed);

// The tool window's title while the capture waits for the player; the plain title for ok.
const char* waiting_title(game_status status);
// The line on standard output when the capture begins to wait for the player.
std::string waiting_line(game_status status);
