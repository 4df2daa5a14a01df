// The control window on Linux: FLTK widgets, FLTK's message boxes and event loop.
#include "control_window.h"

#include "actions.h"
#include "fltk_window.h"
#include "messages.h"
#include "window_layout.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <unistd.h>

Fl_Window* control_window = nullptr;
Fl_Hor_Value_Slider* size_slider = nullptr;
Fl_Hor_Value_Slider* quality_slider = nullptr;
Fl_Hor_Value_Slider* zoom_slider = nullptr;
Fl_Button* capture_button = nullptr;
Fl_Button* compress_button = nullptr;
Fl_Box* credit_box = nullptr;

namespace {

Fl_Hor_Value_Slider* make_slider(const control_place& place, const slider_range& range)
{
    Fl_Hor_Value_Slider* slider =
        new Fl_Hor_Value_Slider(place.x, place.y, place.w, place.h, place.label);
    slider->align(FL_ALIGN_LEFT);
    // The labels lie in the 50 pixels left of the sliders: "Quality" fits whole at 12 points.
    slider->labelsize(12);
    slider->bounds(range.low, range.high);
    slider->step(range.step);
    slider->value(range.initial);
    return slider;
}

Fl_Button* make_button(const control_place& place, void (*action)())
{
    Fl_Button* button = new Fl_Button(place.x, place.y, place.w, place.h, place.label);
    button->callback([](Fl_Widget*, void* data) { reinterpret_cast<void (*)()>(data)(); },
                     reinterpret_cast<void*>(action));
    return button;
}

}  // namespace

namespace {

bool controls_active = true;

void close_unless_busy(Fl_Widget* window, void*)
{
    if (controls_active)
        window->hide();
}

}  // namespace

Fl_Window* build_control_window()
{
    // Each widget becomes a child of the window while it is the current group.
    control_window = new Fl_Window(window_width, window_height, window_title);
    size_slider = make_slider(size_place, size_range);
    capture_button = make_button(capture_place, capture_action);
    quality_slider = make_slider(quality_place, quality_range);
    zoom_slider = make_slider(zoom_place, zoom_range);
    compress_button = make_button(compress_place, compress_action);
    credit_box = new Fl_Box(credit_place.x, credit_place.y, credit_place.w, credit_place.h,
                            credit_place.label);
    credit_box->box(FL_FLAT_BOX);
    control_window->end();
    control_window->callback(close_unless_busy);
    return control_window;
}

int run_control_window()
{
    build_control_window()->show();
    return Fl::run();
}

slider_settings current_sliders()
{
    return {size_slider->value(), quality_slider->value(), zoom_slider->value()};
}

void show_message(const char* text)
{
    fl_message_title(window_title);
    fl_message("%s", text);
}

void show_error(const char* title, const char* text)
{
    fl_message_title(title);
    fl_choice("%s", "Abort", nullptr, nullptr, text);
}

bool ask_question(const char* text)
{
    fl_message_title(window_title);
    return fl_choice("%s", "No", "Yes", nullptr, text) == 1;
}

void show_window_title(const char* title)
{
    control_window->copy_label(title);
    Fl::flush();
}

void set_controls_active(bool active)
{
    controls_active = active;
    for (Fl_Widget* control : {static_cast<Fl_Widget*>(size_slider),
                               static_cast<Fl_Widget*>(quality_slider),
                               static_cast<Fl_Widget*>(zoom_slider),
                               static_cast<Fl_Widget*>(capture_button),
                               static_cast<Fl_Widget*>(compress_button)})
        active ? control->activate() : control->deactivate();
    Fl::flush();
}

// A terminal does not pause the programs that write to it.
void keep_console_running(bool)
{
}

void answer_desktop()
{
    Fl::check();
}

bool output_is_terminal()
{
    return isatty(STDOUT_FILENO) == 1;
}
