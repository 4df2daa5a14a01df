// Programs started and ended, polling with a time-out, and temporary folders and files: what the
// tests and the benchmark need besides a desktop.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

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

// Polls `condition` every `pause` until it holds or `timeout` passes. The condition is an event
// that stays (a file, a line in it, a window); the time-out only stops a test that hangs.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds pause = std::chrono::milliseconds(20));

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
