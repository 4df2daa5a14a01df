// The player's own folders, where the results are kept when the folder the tool started in will
// not do.
#pragma once

#include <string>

// The player's Pictures folder as the desktop names it; failing that the home folder; "" when
// there is neither.
std::string pictures_folder();

// True when `folder` lies in the system's folder for temporary files, which it empties: a zip
// opened in place from Explorer runs its programs there.
bool folder_is_temporary(const std::string& folder);
