// The game window driver on Windows: FindWindowA, SetForegroundWindow and keybd_event, checked
// before every key with IsWindow and GetForegroundWindow, and the snapshot through a
// screen-compatible bitmap and GetDIBits.
#include "game_window.h"

#include "bmp_file.h"
#include "key_burst.h"
#include "win32_keys.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace {

// A console Ctrl+C or close event ends the process in another thread; when Ctrl is down, that
// thread releases it first, and no further key is sent.
std::atomic<bool> control_is_down{false};
std::atomic<bool> ending{false};

void send_raw_key(game_key key, bool pressed)
{
    const win32_key code = win32_key_of(key);
    keybd_event(code.virtual_key, code.scan_code, pressed ? 0 : KEYEVENTF_KEYUP, 0);
}

BOOL WINAPI on_console_event(DWORD)
{
    ending = true;
    if (control_is_down.exchange(false))
        send_raw_key(game_key::control, false);
    return FALSE;  // the next handler, in the end the system's, ends the process
}

game_status request_focus(game_window window)
{
    static const bool handler_installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
    (void)handler_installed;
    if (!IsWindow(window) || !IsWindowVisible(window) || IsIconic(window))
        return game_status::window_gone;
    RECT client{};
    if (!GetClientRect(window, &client))
        return game_status::window_gone;
    if (client.right - client.left < min_client_width ||
        client.bottom - client.top < min_client_height)
        return game_status::window_too_small;
    // The system may refuse a program that is not in front itself; the confirmation tells.
    SetForegroundWindow(window);
    return game_status::ok;
}

game_status confirm_focus(game_window window)
{
    if (!IsWindow(window))
        return game_status::window_gone;
    return GetForegroundWindow() == window ? game_status::ok : game_status::focus_refused;
}

game_status may_type(game_window window)
{
    if (ending)
        return game_status::interrupted;
    if (!IsWindow(window))
        return game_status::window_gone;
    return GetForegroundWindow() == window ? game_status::ok : game_status::focus_lost;
}

// keybd_event puts the keys into the system's input stream at once.
game_status confirm_delivery(game_window, bool)
{
    return game_status::ok;
}

bool send_key(game_key key, bool pressed)
{
    send_raw_key(key, pressed);
    return true;
}

burst_clock::time_point now()
{
    return burst_clock::now();
}

void wait_until(burst_clock::time_point deadline, const pause_work& work)
{
    constexpr auto time_for_work = std::chrono::milliseconds(5);
    bool work_left = static_cast<bool>(work);
    while (!ending) {
        const auto left = deadline - burst_clock::now();
        if (left <= burst_clock::duration::zero())
            return;
        if (work_left && left > time_for_work)
            work_left = work();
        else
            Sleep(static_cast<DWORD>(
                std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
    }
}

void set_control_held(bool held)
{
    control_is_down = held;
}

constexpr burst_steps win32_burst_steps{request_focus, confirm_focus,    may_type, confirm_delivery,
                                        send_key,      wait_until,       now,      set_control_held};

}  // namespace

game_window find_game_window(const char* title)
{
    return FindWindowA(nullptr, title);
}

game_status scroll_map_view(game_window window, int dx, int dy, const pause_work& work,
                            bool continuing)
{
    return run_key_burst(win32_burst_steps, window, dx, dy, work, continuing);
}

game_status grab_client_area(game_window window, client_picture& picture)
{
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client))
        return game_status::window_gone;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    HDC window_dc = GetDC(window);
    if (!window_dc)
        return game_status::picture_failed;
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = memory_dc ? CreateCompatibleBitmap(window_dc, width, height) : nullptr;
    if (!bitmap) {
        if (memory_dc)
            DeleteDC(memory_dc);
        ReleaseDC(window, window_dc);
        return game_status::picture_failed;
    }

    HGDIOBJ previous = SelectObject(memory_dc, bitmap);
    bool ok = BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY) != 0;
    // The bitmap must not stay selected while GetDIBits reads it.
    SelectObject(memory_dc, previous);

    BITMAP described{};
    ok = ok && GetObjectA(bitmap, sizeof described, &described) != 0;
    const std::uint32_t pixel_bytes =
        ok ? bmp_pixel_bytes(described.bmWidth, described.bmHeight) : 0;
    const auto info_header = bmp_info_header(described.bmWidth, described.bmHeight);

    // The format description gets a copy of its own: GetDIBits writes back into it (the image
    // size, colour fields) after storing the rows, which would overwrite the first pixels of the
    // bottom row if the two shared one block.
    BITMAPINFO format{};
    std::memcpy(&format.bmiHeader, info_header.data(), bmp_info_header_bytes);
    HGLOBAL block = ok ? GlobalAlloc(GHND, pixel_bytes + bmp_info_header_bytes) : nullptr;
    unsigned char* bytes = block ? static_cast<unsigned char*>(GlobalLock(block)) : nullptr;
    if (bytes) {
        ok = GetDIBits(window_dc, bitmap, 0, static_cast<UINT>(described.bmHeight), bytes,
                       &format, DIB_RGB_COLORS) == described.bmHeight;
        if (ok) {
            picture.width = described.bmWidth;
            picture.height = described.bmHeight;
            picture.rows.assign(bytes, bytes + pixel_bytes);
        }
        GlobalUnlock(block);
    } else {
        ok = false;
    }
    if (block)
        GlobalFree(block);
    DeleteDC(memory_dc);
    DeleteObject(bitmap);
    ReleaseDC(window, window_dc);
    return ok ? game_status::ok : game_status::picture_failed;
}
