// Asks the tool's window, while a capture runs, whether it answers: waits for its title to show
// the capture's progress ("Tilequilt - 3 of 9"), then sends it a message that does nothing, with
// a timeout, again and again until the title is back to "Tilequilt". Windows marks a window that
// answers nothing for 5 seconds "Not Responding". Prints how many were answered.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct found_window {
    HWND window = nullptr;
    char title[256] = "";
};

BOOL CALLBACK look_at(HWND window, LPARAM data)
{
    found_window& found = *reinterpret_cast<found_window*>(data);
    char title[256];
    if (GetWindowTextA(window, title, sizeof title) > 0 &&
        std::strncmp(title, "Tilequilt - ", 12) == 0 && std::strstr(title, " of ")) {
        found.window = window;
        std::strcpy(found.title, title);
        return FALSE;
    }
    return TRUE;
}

found_window progress_window()
{
    found_window found;
    EnumWindows(look_at, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int main()
{
    found_window found;
    for (int i = 0; i < 900 && !found.window; ++i) {
        Sleep(100);
        found = progress_window();
    }
    if (!found.window) {
        std::printf("no capture in progress was seen\n0 passed, 1 failed\n");
        return 1;
    }
    std::printf("seen: %s\n", found.title);
    int asked = 0, answered = 0;
    while (progress_window().window) {
        DWORD_PTR result = 0;
        ++asked;
        if (SendMessageTimeoutA(found.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000,
                                &result))
            ++answered;
        Sleep(100);
    }
    std::printf("answered %d of %d\n", answered, asked);
    std::printf("%d passed, %d failed\n", answered == asked && asked > 0 ? 1 : 0,
                answered == asked && asked > 0 ? 0 : 1);
    return answered == asked && asked > 0 ? 0 : 1;
}
