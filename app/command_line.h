// The tool's command line: it takes no options but --help and --version, which answer without a
// display.
#pragma once

// Returns the exit status when the command line asks for an answer instead of the window (0 for
// --help and --version, 2 with the usage on standard error for anything else), -1 when the
// window is due.
int answer_command_line(int argc, char** argv);
