#include "win32_dpi.h"

#include "system_function.h"

namespace {

using get_window_context = HANDLE(WINAPI*)(HWND);
using set_thread_context = HANDLE(WINAPI*)(HANDLE);

// Windows 10's calls, looked up once: absent on older systems.
struct dpi_calls {
    get_window_context window_context = nullptr;
    set_thread_context set_thread = nullptr;
};

const dpi_calls& calls()
{
    static const dpi_calls found = [] {
        dpi_calls c;
        c.window_context =
            system_function<get_window_context>("user32.dll", "GetWindowDpiAwarenessContext");
        c.set_thread =
            system_function<set_thread_context>("user32.dll", "SetThreadDpiAwarenessContext");
        return c;
    }();
    return found;
}

}  // namespace

game_dpi_context::game_dpi_context(HWND window)
{
    const dpi_calls& c = calls();
    if (c.window_context && c.set_thread)
        if (HANDLE context = c.window_context(window))
            previous = c.set_thread(context);
}

game_dpi_context::~game_dpi_context()
{
    if (previous)
        calls().set_thread(previous);
}
