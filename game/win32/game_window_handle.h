// On Windows the game window is a window handle: the same type as <windows.h>'s HWND, declared
// here without the platform header so that the rest of the tool never includes it.
#pragma once

struct HWND__;
typedef HWND__* game_window;
