// The two button actions of the control window.
#pragma once

class Fl_Widget;

// Looks for the game window and captures its map at the size on the Size slider.
void on_capture(Fl_Widget* widget, void* data);

// Writes the compressed copies of both results at the Quality and Zoom sliders' settings.
void on_compress(Fl_Widget* widget, void* data);
