// The tool's window: three sliders, two buttons and a credit line. Built once at start; the
// widgets live until the process ends and are reached through these pointers.
#pragma once

class Fl_Window;
class Fl_Hor_Value_Slider;
class Fl_Button;
class Fl_Box;
class Fl_Widget;

extern Fl_Window* control_window;
extern Fl_Hor_Value_Slider* size_slider;
extern Fl_Hor_Value_Slider* quality_slider;
extern Fl_Hor_Value_Slider* zoom_slider;
extern Fl_Button* capture_button;
extern Fl_Button* compress_button;
extern Fl_Box* credit_box;

// Creates the window and its widgets, with `capture` and `compress` as the buttons' actions.
using button_action = void (*)(Fl_Widget*, void*);
Fl_Window* build_control_window(button_action capture, button_action compress);

// How the actions read the sliders.
int size_index_from_slider(double value);  // value - 1, truncated: 0 .. 3
int quality_from_slider(double value);     // truncated: 20 .. 75
float zoom_from_slider(double value);      // narrowed to float: 0.05 .. 1
