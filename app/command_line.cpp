#include "command_line.h"

#include <cstdio>
#include <cstring>

namespace {

const char usage[] =
    "usage: tilequilt [--help | --version]\n"
    "\n"
    "Makes one picture of the whole adventure map of a running \"Heroes of Might and Magic III\".\n"
    "Start it in the folder where the pictures should go, with the game's adventure map on\n"
    "screen; set Size to the map's size (1 small, 2 medium, 3 large, 4 extra large) and press\n"
    "capture. It writes result.jpg and result-grid.jpg; compress writes scaled-down copies.\n";

}  // namespace

int answer_command_line(int argc, char** argv)
{
    if (argc < 2)
        return -1;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tilequilt %s\n", TILEQUILT_VERSION);
        return 0;
    }
    std::fprintf(stderr, "tilequilt: unknown option '%s'\n%s", argv[1], usage);
    return 2;
}
