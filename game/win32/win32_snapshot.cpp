// The game window's client area taken as a snapshot on Windows, in the game's own DPI context:
// first with PrintWindow, which asks for the window's full content (a game drawn through Direct3D
// included), then, where that shows nothing, copied from the window's device context. A snapshot
// that still shows nothing is refused. Every GDI object is given back by a small holder.
#include "game_window.h"

#include "bmp_file.h"
#include "win32_dpi.h"
#include "win32_driver.h"

#include <windows.h>

#include <cstring>

#ifndef PW_RENDERFULLCONTENT
#define PW_RENDERFULLCONTENT 0x00000002
#endif

namespace {

struct window_dc {
    HWND window;
    HDC dc;
    ~window_dc()
    {
        if (dc)
            ReleaseDC(window, dc);
    }
};

struct memory_dc {
    HDC dc;
    ~memory_dc()
    {
        if (dc)
            DeleteDC(dc);
    }
};

struct gdi_bitmap {
    HBITMAP bitmap;
    ~gdi_bitmap()
    {
        if (bitmap)
            DeleteObject(bitmap);
    }
};

// The client area copied into `bitmap` the given way; the bitmap is selected into `target` only
// meanwhile, since GetDIBits must not read a selected bitmap.
bool copy_client_area(snapshot_way way, HWND window, HDC source, HDC target, HBITMAP bitmap,
                      int width, int height)
{
    const HGDIOBJ previous = SelectObject(target, bitmap);
    const bool copied =
        way == snapshot_way::print_window
            ? PrintWindow(window, target, PW_CLIENTONLY | PW_RENDERFULLCONTENT) != 0
            : BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY) != 0;
    SelectObject(target, previous);
    return copied;
}

// The bitmap's rows as the snapshot file holds them.
bool read_rows(HDC dc, HBITMAP bitmap, int width, int height, client_snapshot& snapshot)
{
    BITMAPINFO format{};
    const auto header = bmp_info_header(width, height);
    std::memcpy(&format.bmiHeader, header.data(), bmp_info_header_bytes);
    snapshot.rows.resize(bmp_pixel_bytes(width, height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), snapshot.rows.data(), &format,
                  DIB_RGB_COLORS) != height)
        return false;
    snapshot.width = width;
    snapshot.height = height;
    return true;
}

}  // namespace

game_status take_client_snapshot(game_window window, client_snapshot& snapshot)
{
    const game_dpi_context in_games_pixels(window);
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client))
        return game_status::window_gone;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const window_dc source{window, GetDC(window)};
    const memory_dc target{source.dc ? CreateCompatibleDC(source.dc) : nullptr};
    const gdi_bitmap bitmap{target.dc ? CreateCompatibleBitmap(source.dc, width, height) : nullptr};
    if (!bitmap.bitmap)
        return game_status::snapshot_failed;
    snapshot_way& first_way = open_win32_driver().first_way;
    const snapshot_way other = first_way == snapshot_way::print_window ? snapshot_way::window_dc
                                                                       : snapshot_way::print_window;
    for (const snapshot_way way : {first_way, other}) {
        if (copy_client_area(way, window, source.dc, target.dc, bitmap.bitmap, width, height) &&
            read_rows(source.dc, bitmap.bitmap, width, height, snapshot) &&
            !shows_nothing(snapshot)) {
            first_way = way;
            return game_status::ok;
        }
    }
    return game_status::snapshot_failed;
}
