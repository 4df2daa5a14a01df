// The control window as built in process on a private display: what it offers the player, and
// how the actions read the sliders.
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

// A slider as the player meets it: its label, its lowest and highest values, its step and where
// it starts.
void expect_slider(const Fl_Hor_Value_Slider* slider, const char* label, double low, double high,
                   double step, double initial)
{
    ASSERT_NE(slider, nullptr);
    EXPECT_STREQ(slider->label(), label);
    EXPECT_DOUBLE_EQ(slider->minimum(), low) << label;
    EXPECT_DOUBLE_EQ(slider->maximum(), high) << label;
    EXPECT_DOUBLE_EQ(slider->step(), step) << label;
    EXPECT_DOUBLE_EQ(slider->value(), initial) << label;
}

bool overlap(const Fl_Widget* a, const Fl_Widget* b)
{
    return a->x() < b->x() + b->w() && b->x() < a->x() + a->w() && a->y() < b->y() + b->h() &&
           b->y() < a->y() + a->h();
}

}  // namespace

// What the player is offered, whatever the layout's numbers: the three sliders with their
// ranges and starting values, the two buttons wired to their own actions, every control whole
// inside the window, none over another, and every label readable where it is drawn. (Where the
// controls are is proved by the tests that click them there.)
TEST(ControlWindow, OffersTheSettingsAndButtonsReadablyWithoutOverlap)
{
    private_display display;
    Fl_Window* window = build_control_window();
    window->show();
    Fl::check();
    EXPECT_STREQ(window->label(), "Tilequilt");
    ASSERT_EQ(window->children(), 6);

    expect_slider(size_slider, "Size", 1, 7, 1, 2);
    expect_slider(quality_slider, "Quality", 20, 75, 5, 50);
    expect_slider(zoom_slider, "Zoom", 0.05, 1, 0.05, 0.5);
    EXPECT_STREQ(capture_button->label(), "capture");
    EXPECT_STREQ(compress_button->label(), "compress");
    EXPECT_EQ(capture_button->user_data(), reinterpret_cast<void*>(capture_action));
    EXPECT_EQ(compress_button->user_data(), reinterpret_cast<void*>(compress_action));

    for (int i = 0; i < window->children(); ++i) {
        const Fl_Widget* widget = window->child(i);
        EXPECT_TRUE(widget->x() >= 0 && widget->y() >= 0 &&
                    widget->x() + widget->w() <= window->w() &&
                    widget->y() + widget->h() <= window->h())
            << widget->label() << " lies outside the window";
        for (int k = i + 1; k < window->children(); ++k)
            EXPECT_FALSE(overlap(widget, window->child(k)))
                << widget->label() << " and " << window->child(k)->label();
    }
    // The sliders' labels, drawn left of them, fit whole into the window; the credit is one line
    // that fits its box.
    int text_w = 0, text_h = 0;
    for (Fl_Hor_Value_Slider* slider : {size_slider, quality_slider, zoom_slider}) {
        EXPECT_EQ(slider->align(), FL_ALIGN_LEFT);
        text_w = 0;
        slider->measure_label(text_w, text_h);
        EXPECT_LE(text_w, slider->x() - 2) << slider->label();
    }
    ASSERT_NE(credit_box->label(), nullptr);
    text_w = 0;  // no width to wrap at
    credit_box->measure_label(text_w, text_h);
    EXPECT_LE(text_w, credit_box->w());
    EXPECT_LE(text_h, credit_box->h());
    window->hide();
}

TEST(ControlWindow, SlidersGiveTheValuesTheActionsUse)
{
    private_display display;
    build_control_window();
    // The Size slider only produces whole numbers within 1 to 7.
    size_slider->value(size_slider->clamp(size_slider->round(0.4)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 0);
    size_slider->value(size_slider->clamp(size_slider->round(2.6)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 2);
    size_slider->value(size_slider->clamp(size_slider->round(9)));
    EXPECT_EQ(size_index_from_slider(size_slider->value()), 6);

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
