#include "process_end.h"

#include "safe_files.h"

#include <csignal>

namespace {

const int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t held_now = 0;
volatile std::sig_atomic_t asked_signal = 0;
void (*volatile undo_now)() = nullptr;

void end_as_asked(int signal_number)
{
    if (void (*undo)() = undo_now)
        undo();
    remove_pending_files_now();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void on_ending_signal(int signal_number)
{
    if (held_now)
        asked_signal = signal_number;
    else
        end_as_asked(signal_number);
}

}  // namespace

void watch_process_end()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int signal_number : ending_signals) {
        struct sigaction action{}, previous{};
        sigaction(signal_number, nullptr, &previous);
        if (previous.sa_handler != SIG_DFL || (previous.sa_flags & SA_SIGINFO))
            continue;
        action.sa_handler = on_ending_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal_number, &action, nullptr);
    }
}

void hold_process_end(bool held)
{
    held_now = held;
    if (!held && asked_signal)
        end_as_asked(asked_signal);
}

bool process_end_asked()
{
    return asked_signal != 0;
}

void undo_at_process_end(void (*undo)())
{
    undo_now = undo;
}
