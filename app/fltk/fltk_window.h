// The control window made of FLTK widgets. Built once; the widgets live until the process ends
// and are reached through these pointers.
#pragma once

#include "window_layout.h"

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

// Where a click on a slider's track moves it to its lowest or highest value: FLTK's value slider
// shows its value in its first 35 pixels, and its knob's middle stays a few pixels short of
// either end of the track.
constexpr int slider_low_x(const control_place& slider) { return slider.x + 42; }
constexpr int slider_high_x(const control_place& slider) { return slider.x + slider.w - 3; }
// Where a click on a slider's track sets it to `value`, the track's ends being its range's.
constexpr int slider_x(const control_place& slider, const slider_range& range, double value)
{
    const int low = slider_low_x(slider), high = slider_high_x(slider);
    return low + static_cast<int>((high - low) * (value - range.low) / (range.high - range.low));
}
