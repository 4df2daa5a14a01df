#include "command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const char usage[] =
    "usage: tilequilt [--in-pictures] | --help | --version\n"
    "\n"
    "Makes one picture of the whole adventure map of a running \"Heroes of Might and Magic III\".\n"
    "Start it in the folder where the pictures should go, with the game's adventure map on\n"
    "screen; set Size to the map's size (1 small, 2 medium, 3 large, 4 extra large) and press\n"
    "capture. It writes result.jpg and result-grid.jpg; compress writes scaled-down copies.\n"
    "\n"
    "  --in-pictures  write them into your Pictures folder (your home folder when there is\n"
    "                 none) instead of the current folder, as when started from the menu\n";

// The player's Pictures folder as the desktop names it (XDG_PICTURES_DIR in
// ~/.config/user-dirs.dirs), else ~/Pictures when it exists, else the home folder; "" without a
// home folder.
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
    return std::filesystem::is_directory(home + "/Pictures") ? home + "/Pictures" : home;
}

}  // namespace

int answer_command_line(int argc, char** argv)
{
    if (argc < 2)
        return -1;
    if (argc == 2 && std::strcmp(argv[1], "--in-pictures") == 0) {
        const std::string folder = pictures_folder();
        std::error_code failed;
        if (!folder.empty())
            std::filesystem::current_path(folder, failed);
        return -1;
    }
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            help = true;
        } else if (std::strcmp(argv[i], "--version") != 0) {
            std::fprintf(stderr, "tilequilt: unknown option '%s'\n%s", argv[i], usage);
            return 2;
        }
    }
    // Help, when asked for, says more than the version.
    if (help)
        std::fputs(usage, stdout);
    else
        std::printf("tilequilt %s\n", TILEQUILT_VERSION);
    return 0;
}
