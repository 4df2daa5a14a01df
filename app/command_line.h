// The tool's command line: --help and --version, which answer without a display; --capture
// [--size N], one capture without the window; and --in-pictures, which the menu entry gives: the
// tool then works in the player's Pictures folder.
#pragma once

#include <optional>

// What the command line asks for.
struct command_request {
    enum class action { window, capture, answered } what = action::window;
    int exit_status = 0;             // answered: 0 for --help and --version, 2 for a wrong line
    std::optional<int> size_index;   // capture: the size given with --size (0-based), if any
};

// Reads the command line; --help, --version and a wrong command line are answered at once (the
// usage on standard error for a wrong one). After --in-pictures the current folder is the
// Pictures folder.
command_request read_command_line(int argc, char** argv);
