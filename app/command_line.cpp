#include "command_line.h"

#include "game_contract.h"
#include "user_folders.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char usage[] =
    "usage: tilequilt [--in-pictures]\n"
    "       tilequilt --capture [--size N]\n"
    "       tilequilt --help | --version\n"
    "\n"
    "Makes one picture of the whole adventure map of a running \"Heroes of Might and Magic III\".\n"
    "Start it in the folder where the pictures should go, with the game's adventure map on\n"
    "screen; set Size to the map's size (1 small, 2 medium, 3 large, 4 extra large, 5 to 7 the\n"
    "maps of 180, 216 and 252 tiles a side) and press capture: a wrong Size is found and\n"
    "mended. It writes result.jpg and result-grid.jpg; compress writes scaled-down copies.\n"
    "\n"
    "  --in-pictures  write them into your Pictures folder (your home folder when there is\n"
    "                 none) instead of the current folder, as when started from the menu\n"
    "  --capture      capture once without the window, in the current folder, and end:\n"
    "                 exit status 0 when the map was written, 1 when the capture stopped\n"
    "  --size N       with --capture: the map's size, 1 to 7; without it the size is found\n";

// A command line the tool does not take: said on standard error with the usage; exit status 2.
command_request wrong_line(const std::string& why)
{
    std::fprintf(stderr, "tilequilt: %s\n%s", why.c_str(), usage);
    command_request request;
    request.what = command_request::action::answered;
    request.exit_status = 2;
    return request;
}

}  // namespace

command_request read_command_line(int argc, char** argv)
{
    command_request request;
    bool help = false, version = false, in_pictures = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            help = true;
        } else if (option == "--version") {
            version = true;
        } else if (option == "--in-pictures") {
            in_pictures = true;
        } else if (option == "--capture") {
            request.what = command_request::action::capture;
        } else if (option == "--size" && i + 1 < argc && !request.size_index) {
            const std::string value = argv[++i];
            if (value.size() == 1 && value[0] >= '1' && value[0] <= '0' + map_size_count)
                request.size_index = value[0] - '1';
            else
                return wrong_line("Size must be 1 to " + std::to_string(map_size_count) + ", not '" +
                                  value + "'");
        } else {
            return wrong_line("unknown option '" + option + "'");
        }
    }
    if (request.size_index && request.what != command_request::action::capture)
        return wrong_line("--size goes with --capture");
    if (help || version) {
        // Help, when asked for, says more than the version.
        if (help)
            std::fputs(usage, stdout);
        else
            std::printf("tilequilt %s\n", TILEQUILT_VERSION);
        request.what = command_request::action::answered;
        return request;
    }
    if (in_pictures) {
        const std::string folder = pictures_folder();
        std::error_code failed;
        if (!folder.empty())
            std::filesystem::current_path(folder, failed);
    }
    return request;
}
