// The two button actions of the control window, the same on every platform.
#pragma once

#include <optional>

// Looks for the game window and captures its map, the Size slider's size its hint.
void capture_action();

// The same without the window, from the command line (`tilequilt --capture [--size N]`): every
// line on the terminal, `size_index` the size given, if any. The exit status: 0 when the map was
// written, 1 when the capture stopped or was refused (nothing written).
int capture_command(std::optional<int> size_index);

// Writes the compressed copies of both results at the Quality and Zoom sliders' settings.
void compress_action();

// How the actions read the sliders.
int size_index_from_slider(double value);  // value - 1, truncated: 0 .. 6
int quality_from_slider(double value);     // truncated: 20 .. 75
float zoom_from_slider(double value);      // narrowed to float: 0.05 .. 1
