// The two button actions of the control window, the same on every platform.
#pragma once

// Looks for the game window and captures its map at the size on the Size slider.
void capture_action();

// Writes the compressed copies of both results at the Quality and Zoom sliders' settings.
void compress_action();

// How the actions read the sliders.
int size_index_from_slider(double value);  // value - 1, truncated: 0 .. 3
int quality_from_slider(double value);     // truncated: 20 .. 75
float zoom_from_slider(double value);      // narrowed to float: 0.05 .. 1
