// The tool's command line: --help and --version, which answer without a display, and
// --in-pictures, which the menu entry gives: the tool then works in the player's Pictures folder.
#pragma once

// Returns the exit status when the command line asks for an answer instead of the window (0 for
// --help and --version, 2 with the usage on standard error for anything else), -1 when the
// window is due (after --in-pictures, in the Pictures folder).
int answer_command_line(int argc, char** argv);
