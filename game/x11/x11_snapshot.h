// Where the snapshot's pixels come from on X11.
#pragma once

#include <X11/Xlib.h>

// Keeps the window's own pixels off-screen (Composite redirection), so that its picture never
// shows a window lying over it nor lacks a part lying off the screen, and has it redraw them
// all. Done once for each window the driver starts watching; without Composite it does nothing.
void keep_window_pixels(Display* display, Window window);
