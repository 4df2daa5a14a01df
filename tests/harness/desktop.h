// A private X server, and windows on it found and clicked the way a person does: how the tests
// and the benchmark run the stand-in and the tool.
#pragma once

#include "processes.h"

#include <string>
#include <vector>

// Starts an X server of its own on a free display, the way every script of the project does
// (scripts/xvfb-display), and points DISPLAY at it; stops it again at destruction. `arguments`
// go to the server as well (for example "-extension", "Composite").
struct private_display {
    explicit private_display(const std::vector<std::string>& arguments = {});
    ~private_display();
    private_display(const private_display&) = delete;
    private_display& operator=(const private_display&) = delete;
    std::string name;  // ":N"
    int pid = -1;
};

// Windows on the private display, through xdotool: the id of the first visible window whose
// title matches the regular expression, or "" when there is none.
std::string find_window(const std::string& title_pattern);
std::string wait_for_window(const std::string& title_pattern, std::chrono::milliseconds timeout);

struct window_geometry {
    int x = 0, y = 0, width = 0, height = 0;
};
window_geometry geometry_of(const std::string& window);
std::string title_of(const std::string& window);

// A window's title followed through the X server's own events: subscribed when it is made, so
// that every change after that is queued for it however late the test looks. The guard of a
// wait only stops a hung test; the event decides.
struct title_watch {
    title_watch() = default;
    explicit title_watch(const std::string& window) { watch(window); }
    void watch(const std::string& window);
    ~title_watch();
    title_watch(const title_watch&) = delete;
    title_watch& operator=(const title_watch&) = delete;
    // Waits for the next change of the title since the watch was made or last waited; true when
    // one came.
    bool next_change(std::chrono::milliseconds guard);
    // Waits until the title holds `text`; true when it does.
    bool wait_for(const std::string& text, std::chrono::milliseconds guard);
    std::string title;  // the title as last seen
    void* display = nullptr;
    unsigned long window = 0;
};

// Whether the pointer lies over `window` (or a window inside it) with nothing above it there.
bool pointer_over(const std::string& window);

// A real mouse click (button 1) at a point of the window, once the pointer is seen there, and a
// real key press into it.
void click_in_window(const std::string& window, int x, int y);
void press_key(const std::string& window, const std::string& key);

// The window that has the keyboard focus, as xdotool names it ("" when none).
std::string focused_window();

// Whether the X server holds Ctrl down, as a fresh client sees it.
bool control_held_in_server();

// Starts openbox on the display and waits until it manages windows.
child_process start_window_manager();
