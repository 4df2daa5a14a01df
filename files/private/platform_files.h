// The platform's half of the safe files, written once per platform (posix/, win32/) and chosen by
// CMake; only the files library and its own tests see it.
#pragma once

#include "file_content.h"

#include <cstdio>
#include <initializer_list>
#include <string>

namespace platform_files {
// Creates `temporary` exclusively and writes `parts` into it, flushed to the disk unless scratch.
// Returns false (having removed what it made) on failure; sets `exists` when the name was taken
// already.
bool write_new_file(const std::string& temporary, std::initializer_list<file_part> parts,
                    file_care care, bool& exists);
// Renames `from` over `to`, replacing what `to` names (a file or a link) but never a folder.
bool rename_over(const std::string& from, const std::string& to);
// True when another program holds `name` open so that it cannot be replaced now.
bool held_open(const std::string& name);
// The name of the program holding `name` open, as the system tells it; "" when it does not.
std::string program_holding(const std::string& name);
// Safe to call while the process is being ended (a signal handler, the console's handler).
bool remove_file(const char* name);
std::FILE* open_regular_file(const std::string& name, read_status& status);
}  // namespace platform_files
