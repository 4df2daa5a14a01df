#include "user_folders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

// XDG_PICTURES_DIR in ~/.config/user-dirs.dirs, else ~/Pictures when it exists, else home when
// it exists.
std::string pictures_folder()
{
    const char* home_variable = std::getenv("HOME");
    if (!home_variable || !*home_variable)
        return "";
    const std::string home = home_variable;
    std::ifstream names(home + "/.config/user-dirs.dirs");
    const std::string key = "XDG_PICTURES_DIR=\"";
    for (std::string line; std::getline(names, line);) {
        if (line.rfind(key, 0) != 0 || line.back() != '"')
            continue;
        std::string folder = line.substr(key.size(), line.size() - key.size() - 1);
        if (folder.rfind("$HOME", 0) == 0)
            folder = home + folder.substr(5);
        if (std::filesystem::is_directory(folder))
            return folder;
    }
    if (std::filesystem::is_directory(home + "/Pictures"))
        return home + "/Pictures";
    return std::filesystem::is_directory(home) ? home : "";
}

// Nothing here opens an archive in a temporary folder; a player who starts the tool in /tmp
// chose it.
bool folder_is_temporary(const std::string&)
{
    return false;
}
