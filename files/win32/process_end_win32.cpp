#include "process_end.h"

#include "safe_files.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> held_now{false};
std::atomic<bool> asked{false};
std::atomic<void (*)()> undo_now{nullptr};

// Runs in a thread of its own. The work holding the end is given up to a second to let go; then
// the process ends with the status Windows gives a program ended from its console, never 0 (the
// command's "map written"), which Wine's own ending would give.
BOOL WINAPI on_console_event(DWORD)
{
    asked = true;
    for (int waited = 0; held_now && waited < 1000; waited += 10)
        Sleep(10);
    if (void (*undo)() = undo_now)
        undo();
    remove_pending_files_now();
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace

void watch_process_end()
{
    static const bool installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
    (void)installed;
}

void hold_process_end(bool held)
{
    held_now = held;
}

bool process_end_asked()
{
    return asked;
}

void undo_at_process_end(void (*undo)())
{
    undo_now = undo;
}
