// The tool's window, built from window_layout.h with the platform's own controls: FLTK's on
// Linux (fltk/), the system's own on Windows (win32/). Its buttons run the actions (actions.h),
// which reach the window only through the calls below.
#pragma once

// Builds and shows the window and runs its event loop until the window is closed; returns the
// exit status (0).
int run_control_window();

// The sliders as the player left them.
struct slider_settings {
    double size, quality, zoom;
};
slider_settings current_sliders();

// An information box with one button, shown until the player closes it.
void show_message(const char* text);

// A question with the buttons Yes and No; true for Yes.
bool ask_question(const char* text);

// A box titled `title` with `text` and a single "Abort" button: an image error, shown the way the
// image library's own error window shows one.
void show_error(const char* title, const char* text);

// The window's title, shown at once, while an action keeps the event loop waiting.
void show_window_title(const char* title);

// While an action runs: the window's controls inactive and its close ignored (false), or
// active again (true).
void set_controls_active(bool active);

// While a capture runs (true), a click into the tool's console must not pause it: on Windows the
// console's text selection (QuickEdit) is off until the capture ends (false) or the tool is ended
// meanwhile, and then the player's mode is back. In the window and in the command alike.
void keep_console_running(bool capturing);

// Handles whatever the desktop has sent the window, without waiting: the window answers its
// desktop (and shows its title) while an action keeps the event loop waiting.
void answer_desktop();

// Whether standard output is a terminal (on Windows, a console).
bool output_is_terminal();
