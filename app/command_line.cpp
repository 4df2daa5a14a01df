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
