// Run beside the Windows tool under Wine: another program that lets go of Ctrl in the middle of
// one of the tool's bursts, with keybd_event, as a player's hand or a hotkey tool may. Waits for
// Ctrl to go down for the COUNT-th time, waits DELAY milliseconds, and releases it.
// Usage: control_releaser COUNT DELAY
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 3;
    const int delay = argc > 2 ? std::atoi(argv[2]) : 60;
    bool down = false;
    int presses = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 90000;) {
        const bool now_down = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
        if (now_down && !down && ++presses == count) {
            Sleep(static_cast<DWORD>(delay));
            keybd_event(VK_CONTROL, 0x1D, KEYEVENTF_KEYUP, 0);
            std::printf("Ctrl let go in burst %d\n1 passed, 0 failed\n", count);
            return 0;
        }
        down = now_down;
        Sleep(1);
    }
    std::printf("Ctrl never went down %d times\n0 passed, 1 failed\n", count);
    return 1;
}
