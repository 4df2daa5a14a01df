// Test support: the stand-in game and the key recorder run as real programs on the test's display.
#pragma once

#include "desktop.h"
#include "standin_log.h"

#include <string>
#include <vector>

struct standin_session {
    child_process process;
    std::string folder;
    std::string key_log;
    std::string state;
    std::string window;  // X window id
};

// Starts the stand-in with the given extra options, its key log and state file in `folder`,
// and waits for its window.
standin_session start_standin_game(const std::string& folder,
                                   const std::vector<std::string>& options);

// The view (x, y) the stand-in reports, or (-1, -1).
struct view_position {
    int x = -1, y = -1;
    bool operator==(const view_position& other) const { return x == other.x && y == other.y; }
};
view_position standin_view(const standin_session& session);

// Ends the stand-in, and fails the test that drove it when any arrow key reached it without Ctrl
// in the key's own modifiers: in the game such a key is another command (it moves the hero).
void stop_standin_game(standin_session& session);

// A second window that records every key it receives into `key_log`.
struct key_recorder {
    child_process process;
    std::string key_log;
    std::string window;
};
key_recorder start_key_recorder(const std::string& key_log, int x, int y, int width, int height,
                                const std::vector<std::string>& options = {});
