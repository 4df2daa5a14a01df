#include "control_window.h"

#include "map_walk.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/Fl_Window.H>

Fl_Window* control_window = nullptr;
Fl_Hor_Value_Slider* size_slider = nullptr;
Fl_Hor_Value_Slider* quality_slider = nullptr;
Fl_Hor_Value_Slider* zoom_slider = nullptr;
Fl_Button* capture_button = nullptr;
Fl_Button* compress_button = nullptr;
Fl_Box* credit_box = nullptr;

namespace {

Fl_Hor_Value_Slider* make_slider(int y, const char* label, double low, double high, double step,
                                 double initial)
{
    Fl_Hor_Value_Slider* slider = new Fl_Hor_Value_Slider(50, y, 330, 25, label);
    slider->align(FL_ALIGN_LEFT);
    // The labels lie in the 50 pixels left of the sliders: "Quality" fits whole at 12 points.
    slider->labelsize(12);
    slider->bounds(low, high);
    slider->step(step);
    slider->value(initial);
    return slider;
}

}  // namespace

Fl_Window* build_control_window(button_action capture, button_action compress)
{
    // Each widget becomes a child of the window while it is the current group.
    control_window = new Fl_Window(400, 300, "Tilequilt");
    size_slider = make_slider(25, "Size", 1, offered_map_sizes, 1, 2);
    capture_button = new Fl_Button(150, 60, 100, 25, "capture");
    capture_button->callback(capture);
    quality_slider = make_slider(100, "Quality", 20, 75, 5, 50);
    zoom_slider = make_slider(125, "Zoom", 0.05, 1, 0.05, 0.5);
    compress_button = new Fl_Button(150, 160, 100, 25, "compress");
    compress_button->callback(compress);
    credit_box = new Fl_Box(200, 250, 150, 25, "Tilequilt map stitcher");
    credit_box->box(FL_FLAT_BOX);
    control_window->end();
    return control_window;
}

int size_index_from_slider(double value)
{
    return static_cast<int>(value - 1.0);
}

int quality_from_slider(double value)
{
    return static_cast<int>(value);
}

float zoom_from_slider(double value)
{
    return static_cast<float>(value);
}
