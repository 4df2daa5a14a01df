// The game window measured and its snapshot taken in its own DPI context: a game that leaves
// scaling to the system (as an old 800 x 600 game does) is counted in the pixels it draws, and one
// that scales itself in the display's pixels, whatever the tool's own window declares. Where the
// system has no per-thread DPI contexts (before Windows 10, or under an older Wine), nothing
// changes.
#pragma once

#include <windows.h>

struct game_dpi_context {
    explicit game_dpi_context(HWND window);
    ~game_dpi_context();
    game_dpi_context(const game_dpi_context&) = delete;
    game_dpi_context& operator=(const game_dpi_context&) = delete;

    HANDLE previous = nullptr;
};
