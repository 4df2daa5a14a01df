// A private X server, programs started on it, windows found and clicked the way a person does,
// and polling with a time-out: how the tests and the benchmark run the stand-in and the tool.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Starts Xvfb on a free display and points DISPLAY at it; stops it again at destruction.
// `arguments` go to Xvfb as well (for example "-extension", "Composite").
struct private_display {
    explicit private_display(const std::vector<std::string>& arguments = {});
    ~private_display();
    private_display(const private_display&) = delete;
    private_display& operator=(const private_display&) = delete;
    std::string name;  // ":N"
    int pid = -1;
};

// A program started in the background.
struct child_process {
    int pid = -1;
};

// Starts `argv` in `folder` with extra `environment` entries ("NAME=value"), standard output
// going to `output_file` (or inherited when empty).
child_process start_process(const std::vector<std::string>& argv, const std::string& folder = "",
                            const std::string& output_file = "",
                            const std::vector<std::string>& environment = {});

// Waits for the process to end; its exit status, or -1 when it did not end within `timeout`
// (or was killed by a signal).
int wait_process(child_process& process, std::chrono::milliseconds timeout);

// Whether the process is still running.
bool process_running(const child_process& process);

// Kills and reaps the process if it still runs.
void stop_process(child_process& process);

// Runs a command line through the shell and returns its standard output.
std::string run_output(const std::string& command);

// Polls `condition` every 20 ms until it holds or `timeout` passes.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// A fresh empty folder below the system's temporary folder.
std::string make_temporary_folder(const std::string& label);

// A small file system of its own (tmpfs, mounted by root), where writes fail once it is full.
struct small_disk {
    small_disk();
    ~small_disk();
    small_disk(const small_disk&) = delete;
    small_disk& operator=(const small_disk&) = delete;
    bool mounted = false;
    std::string folder;
    // Fills it up with a file of its own until only `free_bytes` are left.
    void leave_free(long long free_bytes);
};

std::string read_text_file(const std::string& name);
bool file_exists(const std::string& name);
// The names of what is in `folder`, sorted.
std::vector<std::string> folder_files(const std::string& folder);

// Windows on the private display, through xdotool: the id of the first visible window whose
// title matches the regular expression, or "" when there is none.
std::string find_window(const std::string& title_pattern);
std::string wait_for_window(const std::string& title_pattern, std::chrono::milliseconds timeout);

struct window_geometry {
    int x = 0, y = 0, width = 0, height = 0;
};
window_geometry geometry_of(const std::string& window);
std::string title_of(const std::string& window);

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
