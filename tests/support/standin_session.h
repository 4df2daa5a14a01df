// Test support: the stand-in game run as a real program, and what its key log says.
#pragma once

#include "desktop.h"

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

// The view "X Y" the stand-in reports, or {-1, -1}.
struct view_position {
    int x = -1, y = -1;
    bool operator==(const view_position& other) const { return x == other.x && y == other.y; }
};
view_position standin_view(const standin_session& session);

struct logged_key {
    long long ms;
    bool press;
    std::string key;
    bool ctrl;
};
std::vector<logged_key> read_key_log(const std::string& file_name);

// A burst as the key log shows it: the arrow taps between a Control press and its release.
struct logged_burst {
    std::vector<std::string> taps;  // "Left", "Right", "Up" or "Down", in order
    long long control_press_ms = 0;
    long long last_tap_ms = 0;      // release of the last arrow
    long long control_release_ms = 0;
    bool taps_with_ctrl = true;     // every arrow event had Ctrl held
    int dx() const;
    int dy() const;
    bool horizontal_first() const;  // no horizontal tap after a vertical one
};
std::vector<logged_burst> read_bursts(const std::string& file_name);
