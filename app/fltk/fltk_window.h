// The control window made of FLTK widgets. Built once; the widgets live until the process ends
// and are reached through these pointers.
#pragma once

class Fl_Window;
class Fl_Hor_Value_Slider;
class Fl_Button;
class Fl_Box;

extern Fl_Window* control_window;
extern Fl_Hor_Value_Slider* size_slider;
extern Fl_Hor_Value_Slider* quality_slider;
extern Fl_Hor_Value_Slider* zoom_slider;
extern Fl_Button* capture_button;
extern Fl_Button* compress_button;
extern Fl_Box* credit_box;

// Creates the window and its widgets, the buttons wired to the actions.
Fl_Window* build_control_window();
