// Run beside the Windows tool under Wine: another program that lets go of Ctrl in the middle of
// one of the tool's bursts, with keybd_event, as a player's hand or a hotkey tool may. It acts on
// the game's own key log: as soon as the game has logged its COUNT-th press of the right arrow,
// Ctrl is released.
// Usage: control_releaser KEY_LOG COUNT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int right_presses(const char* key_log)
{
    std::FILE* log = std::fopen(key_log, "r");
    if (!log)
        return 0;
    int presses = 0;
    char line[128];
    while (std::fgets(line, sizeof line, log))
        presses += std::strstr(line, " press Right ") != nullptr;
    std::fclose(log);
    return presses;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::printf("usage: control_releaser KEY_LOG COUNT\n0 passed, 1 failed\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 90000; Sleep(1)) {
        if (right_presses(argv[1]) >= count) {
            keybd_event(VK_CONTROL, 0x1D, KEYEVENTF_KEYUP, 0);
            std::printf("Ctrl let go after right arrow %d\n1 passed, 0 failed\n", count);
            return 0;
        }
    }
    std::printf("the game never had %d right arrows\n0 passed, 1 failed\n", count);
    return 1;
}
