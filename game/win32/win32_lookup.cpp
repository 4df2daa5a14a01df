// The game's window found on Windows the way a player means it: among the top-level windows of
// its title (the system compares without regard to case), only a shown one that is not cloaked
// (on another virtual desktop, or an app's hidden window), not one of the shell's own (an Explorer
// window of the game's folder has the game's title), and whose client area can hold the view
// square, or that is minimised (it is restored before the first key). Among several, the one
// nearest the front: EnumWindows goes from the top of the z-order down. Where none is such a
// window but one of the title is shown (a game window too small), that one, so that the capture
// says what is wrong with it.
#include "game_window.h"

#include "system_function.h"
#include "win32_dpi.h"

#include <windows.h>

#include <cstring>

namespace {

using get_window_attribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// Whether the window is cloaked: shown, but not on this desktop. DwmGetWindowAttribute is looked
// up at run time: where the desktop window manager's library is missing, nothing is cloaked.
bool cloaked(HWND window)
{
    static const get_window_attribute attribute =
        system_function<get_window_attribute>("dwmapi.dll", "DwmGetWindowAttribute");
    constexpr DWORD dwm_cloaked = 14;  // DWMWA_CLOAKED
    DWORD value = 0;
    return attribute && attribute(window, dwm_cloaked, &value, sizeof value) == S_OK && value != 0;
}

bool shell_window(HWND window)
{
    char type[64] = {};
    GetClassNameA(window, type, sizeof type);
    for (const char* shell : {"CabinetWClass", "ExploreWClass", "Progman", "WorkerW", "Shell_TrayWnd"})
        if (std::strcmp(type, shell) == 0)
            return true;
    return false;
}

bool holds_the_view(HWND window)
{
    if (IsIconic(window))
        return true;
    const game_dpi_context in_games_pixels(window);
    RECT client{};
    return GetClientRect(window, &client) && client.right - client.left >= min_client_width &&
           client.bottom - client.top >= min_client_height;
}

struct search {
    const char* title;
    HWND best = nullptr;      // the first window the player would mean
    HWND fallback = nullptr;  // the first shown window of the title
};

BOOL CALLBACK consider(HWND window, LPARAM data)
{
    search& wanted = *reinterpret_cast<search*>(data);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpiA(title, wanted.title) != 0 || !IsWindowVisible(window) || cloaked(window) ||
        shell_window(window))
        return TRUE;
    if (!wanted.fallback)
        wanted.fallback = window;
    if (holds_the_view(window)) {
        wanted.best = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

game_window find_game_window(const char* title)
{
    search wanted{title};
    EnumWindows(consider, reinterpret_cast<LPARAM>(&wanted));
    return wanted.best ? wanted.best : wanted.fallback;
}
