// What the stand-in game records for tests and benchmarks: every key it receives (the key log)
// and the view it shows (the state file). Written and read here, so that the formats live in one
// place for the stand-in, the tests on Linux and the test under Wine.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Keys the stand-in tells apart. A numpad arrow is an arrow key that came without the extended-key
// flag or with another scan code than the arrow block's (on Windows): the numeric keypad's, which
// programs that read scan codes take for another key; the stand-in does not scroll for it.
enum class standin_key { other, control, left, right, up, down, numpad_arrow };

// Appends one key event to the log: "MS press|release KEY ctrl=0|1", flushed at once. MS is the
// event's own time as the window system stamped it (the X server's milliseconds, or the Windows
// message time): the pauses between keys as the game sees them.
void log_key(std::FILE* log, long long milliseconds, standin_key key, bool pressed, bool ctrl);

struct logged_key {
    long long ms = 0;
    bool pressed = false;
    standin_key key = standin_key::other;
    bool ctrl = false;  // Ctrl was held when it arrived
};
std::vector<logged_key> read_key_log(const std::string& file_name);

// A burst as the key log shows it: the arrow taps between a Control press and its release. An
// arrow outside any burst makes a burst of its own, without Ctrl.
struct logged_burst {
    std::vector<standin_key> taps;  // arrow presses, in order
    int dx = 0, dy = 0;             // taps right minus left, down minus up
    bool taps_with_ctrl = true;     // every arrow event had Ctrl held
    bool horizontal_first = true;   // no horizontal tap after a vertical one
    bool released = false;          // Ctrl came up again
    long long control_press_ms = 0;
    long long last_tap_ms = 0;      // release of the last arrow
    long long control_release_ms = 0;
};
std::vector<logged_burst> bursts_of(const std::vector<logged_key>& keys);
std::vector<logged_burst> read_bursts(const std::string& file_name);

// The state file: "view X Y" and "taps N", replaced whole at every change.
struct standin_state {
    int view_x = -1, view_y = -1;  // in taps from the top-left scroll limit
    int taps = -1;                 // Ctrl+arrow presses so far
};
bool write_standin_state(const std::string& file_name, const standin_state& state);
standin_state read_standin_state(const std::string& file_name);
