// The stand-in game's window on Windows: a plain Win32 window titled like the game, 800 x 600 of
// client area, scrolled by Ctrl+arrow keys. Same model, options and key log as on X11.
#include "standin_options.h"
#include "standin_render.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace {

// Everything the stand-in keeps between events, in one place: the game, and the view its window
// shows.
struct standin_window_state {
    standin_game game;
    int shown_x = 0;  // the view the window shows, behind the game's own while a redraw is late
    int shown_y = 0;
    std::vector<unsigned char> frame;  // the client area as top-down blue-green-red-zero rows
    UINT_PTR next_timer = 2;           // the next timer of a late view
};
standin_window_state state;
constexpr UINT_PTR animation_timer = 1;  // the animated tiles' next frame
struct late_view { int x, y; };
std::vector<std::pair<UINT_PTR, late_view>> late_views;

// The key of a key message, told by its virtual key, and for the arrows also by the scan code and
// the extended-key flag the message carries, as a program that reads scan codes tells them.
standin_key key_of(WPARAM virtual_key, LPARAM l)
{
    const int scan_code = static_cast<int>((l >> 16) & 0xFF);
    const bool extended = ((l >> 24) & 1) != 0;
    const auto arrow = [&](standin_key key, int arrow_scan_code) {
        return extended && scan_code == arrow_scan_code ? key : standin_key::numpad_arrow;
    };
    switch (virtual_key) {
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: return standin_key::control;
    case VK_LEFT: return arrow(standin_key::left, 0x4B);
    case VK_RIGHT: return arrow(standin_key::right, 0x4D);
    case VK_UP: return arrow(standin_key::up, 0x48);
    case VK_DOWN: return arrow(standin_key::down, 0x50);
    default: return standin_key::other;
    }
}

void paint(HWND window)
{
    const rgb_picture client = render_client_area(state.game, state.shown_x, state.shown_y);
    state.frame.resize(static_cast<size_t>(client.width) * client.height * 4);
    for (size_t i = 0, n = static_cast<size_t>(client.width) * client.height; i < n; ++i) {
        state.frame[i * 4 + 0] = client.pixels[i * 3 + 2];
        state.frame[i * 4 + 1] = client.pixels[i * 3 + 1];
        state.frame[i * 4 + 2] = client.pixels[i * 3 + 0];
        state.frame[i * 4 + 3] = 0;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.width;
    info.bmiHeader.biHeight = -client.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    SetDIBitsToDevice(dc, 0, 0, client.width, client.height, 0, 0, 0, client.height,
                      state.frame.data(), &info, DIB_RGB_COLORS);
    EndPaint(window, &ps);
}

void show_view(HWND window, int x, int y)
{
    state.shown_x = x;
    state.shown_y = y;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

// This thread's processor time so far, in units of 100 ns.
unsigned long long processor_time()
{
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    return (static_cast<unsigned long long>(user.dwHighDateTime) << 32 | user.dwLowDateTime) +
           (static_cast<unsigned long long>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime);
}

// Busy until `ms` of this thread's processor time have passed since `start`: on a loaded machine
// that takes longer.
void spend_processor_time(unsigned long long start, int ms)
{
    const unsigned long long until = start + 10'000ULL * static_cast<unsigned>(ms);
    while (processor_time() < until) {
    }
}

// A key event: the view it changes shown now or late, drawn at its cost, and the game's hang or
// close when one is due.
void on_key(HWND window, UINT message, WPARAM w, LPARAM l)
{
    const bool pressed = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const unsigned long long started = processor_time();
    const int taps_before = state.game.taps;
    const bool changed =
        handle_standin_key(state.game, key_of(w, l), pressed, (GetKeyState(VK_CONTROL) & 0x8000) != 0,
                           static_cast<DWORD>(GetMessageTime()));
    const bool tapped = state.game.taps != taps_before;
    if (changed && state.game.faults.redraw_delay_ms > 0) {
        const UINT_PTR id = state.next_timer++;
        late_views.push_back({id, {state.game.view_x, state.game.view_y}});
        SetTimer(window, id, static_cast<UINT>(state.game.faults.redraw_delay_ms), nullptr);
    } else if (tapped && state.game.faults.draw_cost_ms > 0) {
        // A frame for every tap, worked out first and only then shown whole, before the next
        // key is read: meanwhile the window shows the frame before, and the keys wait.
        spend_processor_time(started, state.game.faults.draw_cost_ms);
        show_view(window, state.game.view_x, state.game.view_y);
    } else if (changed) {
        show_view(window, state.game.view_x, state.game.view_y);
    }
    if (const int hang_ms = standin_hang_due(state.game)) {
        UpdateWindow(window);  // the view of the tap is drawn, then nothing more for a while
        Sleep(static_cast<DWORD>(hang_ms));
    }
    if (standin_should_close(state.game))
        DestroyWindow(window);
}

// A timer: the animation's next frame, or a late view that is due.
void on_timer(HWND window, WPARAM w)
{
    if (w == animation_timer) {
        ++state.game.frame;
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    KillTimer(window, w);
    for (auto it = late_views.begin(); it != late_views.end(); ++it) {
        if (it->first == w) {
            show_view(window, it->second.x, it->second.y);
            late_views.erase(it);
            return;
        }
    }
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        on_key(window, message, w, l);
        return 0;
    case WM_TIMER:
        on_timer(window, w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, w, l);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    const int status = start_standin_program(__argc, __argv, state.game);
    if (status >= 0)
        return status;
    state.shown_x = state.game.view_x;
    state.shown_y = state.game.view_y;

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = "TilequiltStandin";
    RegisterClassA(&window_class);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame_rect{0, 0, state.game.geometry.width, state.game.geometry.height};
    AdjustWindowRect(&frame_rect, style, FALSE);
    HWND window = CreateWindowA("TilequiltStandin", standin_title, style, 0, 0,
                                frame_rect.right - frame_rect.left,
                                frame_rect.bottom - frame_rect.top, nullptr, nullptr, instance,
                                nullptr);
    if (!window)
        return 1;
    ShowWindow(window, show);
    if (state.game.animated_percent > 0)
        SetTimer(window, animation_timer, standin_frame_ms, nullptr);
    UpdateWindow(window);
    SetForegroundWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (state.game.key_log)
        std::fclose(state.game.key_log);
    return 0;
}
