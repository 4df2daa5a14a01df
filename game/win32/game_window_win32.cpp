// The game window driver on Windows: FindWindowA, SetForegroundWindow and keybd_event, and the
// snapshot through a screen-compatible bitmap and GetDIBits.
#include "game_window.h"

#include "bmp_file.h"
#include "capture_failure.h"
#include "key_burst.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool bring_to_front(game_window window)
{
    // Whether the game really became the foreground window is not checked: the system may refuse
    // a program that is not in front itself, and the keys then go wherever the focus is.
    if (!IsWindow(window))
        return false;
    SetForegroundWindow(window);
    return true;
}

void sleep_ms(unsigned milliseconds)
{
    Sleep(milliseconds);
}

bool send_key(key_code key, unsigned flags)
{
    keybd_event(key.virtual_key, key.scan_code, flags, 0);
    return true;
}

constexpr burst_steps win32_burst_steps{bring_to_front, sleep_ms, send_key};

bool write_all(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Writes the file under a temporary name and moves it over the snapshot file only once it is
// complete, so that a failed write leaves the previous snapshot whole.
bool write_snapshot_file(const unsigned char* file_header, const unsigned char* info_header,
                         const void* pixels, DWORD pixel_bytes)
{
    const std::string partial = std::string(snapshot_file_name) + ".partial";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = write_all(file, file_header, bmp_file_header_bytes) &&
                   write_all(file, info_header, bmp_info_header_bytes) &&
                   write_all(file, pixels, pixel_bytes);
    written = CloseHandle(file) && written;
    written = written && MoveFileExA(partial.c_str(), snapshot_file_name, MOVEFILE_REPLACE_EXISTING);
    if (!written)
        DeleteFileA(partial.c_str());
    return written;
}

}  // namespace

game_window find_game_window(const char* title)
{
    return FindWindowA(nullptr, title);
}

bool scroll_map_view(game_window window, int dx, int dy)
{
    return run_key_burst(win32_burst_steps, window, dx, dy);
}

bool snapshot_client_area(game_window window)
{
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client))
        return report_capture_failure();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    HDC window_dc = GetDC(window);
    if (!window_dc)
        return report_capture_failure();
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = memory_dc ? CreateCompatibleBitmap(window_dc, width, height) : nullptr;
    if (!bitmap) {
        if (memory_dc)
            DeleteDC(memory_dc);
        ReleaseDC(window, window_dc);
        return report_capture_failure();
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
    const auto file_header = bmp_file_header(pixel_bytes);

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
        ok = ok && write_snapshot_file(file_header.data(), info_header.data(), bytes,
                                       pixel_bytes);
        GlobalUnlock(block);
    } else {
        ok = false;
    }
    if (block)
        GlobalFree(block);
    DeleteDC(memory_dc);
    DeleteObject(bitmap);
    ReleaseDC(window, window_dc);
    return ok || report_capture_failure();
}
