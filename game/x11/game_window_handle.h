// On X11 the game window is an X window id (the same type as Xlib's `Window`); 0 is no window.
#pragma once

typedef unsigned long game_window;
