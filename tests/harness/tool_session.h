// Test support: the real tilequilt program in a working folder of its own, on the test's display.
#pragma once

#include "desktop.h"
#include "fltk_window.h"

#include <functional>
#include <string>
#include <vector>

struct tool_session {
    child_process process;
    std::string folder;
    std::string messages;  // what the tool told the user, one line each
    std::string output;    // its standard output
    std::string window;
};

// Starts the tool in `folder` with `arguments`, through `launcher` (a command that runs the rest
// of its command line) when one is given, and waits for its window.
tool_session start_tool(const std::string& folder, const std::vector<std::string>& launcher = {},
                        const std::vector<std::string>& arguments = {});

// A launcher that runs the tool as user nobody when the tests run as root, so that folder
// permissions bind it.
std::vector<std::string> as_unprivileged_user();

// Window-relative centres of the two buttons.
inline constexpr int capture_x = capture_place.centre_x(), capture_y = capture_place.centre_y();
inline constexpr int compress_x = compress_place.centre_x(),
                     compress_y = compress_place.centre_y();

// Presses one of the tool's buttons (at a window-relative point) with a real click, and makes sure
// the press took: each action shows in the window's title at once that it began. A click that did
// not take (a desktop's own pointer moved between press and release) is made again. `click` is
// how a click is made on this desktop; true once the action began.
using click_method = std::function<void(const std::string& window, int x, int y)>;
bool press_button(const std::string& window, int x, int y,
                  const click_method& click = click_in_window);

// Sets the Size slider as a person would: a click at the right end of its track for the largest
// Size, else at its left end (Size 1), then the Right arrow key once for each size more.
void choose_size(const tool_session& tool, int size_index);

// Waits until the message log holds `count` lines; returns its text.
std::string wait_for_messages(const tool_session& tool, int count,
                              std::chrono::milliseconds timeout);

// Dismisses the dialog the tool shows (its only other window) with Escape, or answers it with
// `key` ("Return": its default button); true when one was there and went away.
bool dismiss_dialog(const tool_session& tool, const std::string& title_pattern,
                    const std::string& key = "Escape");
