// The control window as built in process on a private display: its widgets, their places,
// bounds, steps and initial values, and how the actions read the sliders.
#include "actions.h"
#include "fltk_window.h"
#include "messages.h"
#include "window_layout.h"

#include "desktop.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/Fl_Window.H>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/wait.h>

namespace {

void expect_place(const Fl_Widget* widget, const control_place& e)
{
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->x(), e.x) << e.label;
    EXPECT_EQ(widget->y(), e.y) << e.label;
    EXPECT_EQ(widget->w(), e.w) << e.label;
    EXPECT_EQ(widget->h(), e.h) << e.label;
    EXPECT_STREQ(widget->label(), e.label);
}

void expect_slider(const Fl_Hor_Value_Slider* slider, const slider_range& range)
{
    EXPECT_DOUBLE_EQ(slider->minimum(), range.low);
    EXPECT_DOUBLE_EQ(slider->maximum(), range.high);
    EXPECT_DOUBLE_EQ(slider->step(), range.step);
    EXPECT_DOUBLE_EQ(slider->value(), range.initial);
    EXPECT_EQ(slider->align(), FL_ALIGN_LEFT);
}

}  // namespace

TEST(ControlWindow, WidgetsAsLaidOut)
{
    private_display display;
    Fl_Window* window = build_control_window();
    window->show();
    Fl::check();

    EXPECT_EQ(window->w(), window_width);
    EXPECT_EQ(window->h(), window_height);
    EXPECT_STREQ(window->label(), window_title);
    ASSERT_EQ(window->children(), 6);
    // Children in creation order.
    EXPECT_EQ(window->child(0), size_slider);
    EXPECT_EQ(window->child(1), capture_button);
    EXPECT_EQ(window->child(2), quality_slider);
    EXPECT_EQ(window->child(3), zoom_slider);
    EXPECT_EQ(window->child(4), compress_button);
    EXPECT_EQ(window->child(5), credit_box);

    expect_place(size_slider, size_place);
    expect_place(capture_button, capture_place);
    expect_place(quality_slider, quality_place);
    expect_place(zoom_slider, zoom_place);
    expect_place(compress_button, compress_place);
    expect_place(credit_box, credit_place);
    EXPECT_EQ(credit_box->box(), FL_FLAT_BOX);
    ASSERT_NE(credit_box->label(), nullptr);
    // One line that fits the box.
    int text_w = 0, text_h = 0;
    credit_box->measure_label(text_w, text_h);
    EXPECT_LE(text_w, 150);
    EXPECT_LE(text_h, 25);
    // The sliders' labels, drawn left of them, fit whole into the window.
    for (Fl_Hor_Value_Slider* slider : {size_slider, quality_slider, zoom_slider}) {
        slider->measure_label(text_w, text_h);
        EXPECT_LE(text_w, slider->x() - 2) << slider->label();
    }

    expect_slider(size_slider, size_range);
    expect_slider(quality_slider, quality_range);
    expect_slider(zoom_slider, zoom_range);
    EXPECT_EQ(size_slider->maximum(), 4) << "all four map sizes on offer";
    // Each button runs its own action.
    EXPECT_EQ(capture_button->user_data(), reinterpret_cast<void*>(capture_action));
    EXPECT_EQ(compress_button->user_data(), reinterpret_cast<void*>(compress_action));
    window->hide();
}

TEST(ControlWindow, SlidersGiveTheValuesTheActionsUse)
{
    private_display display;
    build_control_window();
    // The Size slider only produces whole numbers within 1 to 4.
    size_slider->value(size_slider->clamp(size_slider->round(0.4)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 0);
    size_slider->value(size_slider->clamp(size_slider->round(2.6)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 2);
    size_slider->value(size_slider->clamp(size_slider->round(9)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 3);

    zoom_slider->value(zoom_slider->clamp(zoom_slider->round(0.0)));
    EXPECT_FLOAT_EQ(zoom_from_slider(zoom_slider->value()), 0.05f);
    zoom_slider->value(zoom_slider->clamp(zoom_slider->round(5.0)));
    EXPECT_FLOAT_EQ(zoom_from_slider(zoom_slider->value()), 1.0f);

    EXPECT_EQ(quality_from_slider(quality_slider->clamp(quality_slider->round(77))), 75);
    EXPECT_EQ(quality_from_slider(quality_slider->clamp(quality_slider->round(21))), 20);
    EXPECT_EQ(size_index_from_slider(1.0), 0);
    EXPECT_EQ(size_index_from_slider(3.0), 2);
}

// Both programs answer --help and --version without a display, and refuse anything else.
TEST(CommandLine, HelpAndVersionNeedNoDisplayAndUnknownOptionsAreRefused)
{
    const auto run = [](const std::string& command, std::string& output) {
        const std::string file = make_temporary_folder("command-line") + "/output";
        const int status = std::system(("env -u DISPLAY " + command + " >" + file + " 2>&1").c_str());
        output = read_text_file(file);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    for (const std::string program : {TILEQUILT_PROGRAM, STANDIN_PROGRAM}) {
        std::string said;
        EXPECT_EQ(run(program + " --help", said), 0) << program;
        EXPECT_NE(said.find("usage: tilequilt"), std::string::npos) << said;
        EXPECT_EQ(run(program + " --version", said), 0) << program;
        EXPECT_NE(said.find(" 1."), std::string::npos) << said;
        EXPECT_EQ(run(program + " --bogus", said), 2) << program;
        EXPECT_NE(said.find("usage: tilequilt"), std::string::npos) << said;
    }
}
