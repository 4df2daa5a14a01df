// Run in a console of Wine's own (wineconsole), beside the Windows stand-in: starts the Windows
// tool's command in this console twice, once for a whole capture and once ended by Ctrl+C as soon
// as it has switched the console's text selection (QuickEdit) off. After each, the console's mode
// must be the player's again. Its lines go to the file RESULTS, as the console is a window.
// Usage: console_mode_check TOOL RESULTS
#include "windows_check.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

DWORD console_mode()
{
    DWORD mode = 0;
    GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
    return mode;
}

// This program stays through the Ctrl+C it sends to the console; the tool, which does not
// inherit the handler, is ended by it.
BOOL WINAPI stay(DWORD)
{
    return TRUE;
}

HANDLE start_command(const std::string& tool)
{
    std::string command = "\"" + tool + "\" --capture --size 1";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Waits for the process to end; its exit status, or -1 when it did not end within two minutes.
long ended(HANDLE process)
{
    DWORD status = 0;
    const bool done = process && WaitForSingleObject(process, 120000) == WAIT_OBJECT_0 &&
                      GetExitCodeProcess(process, &status);
    if (process)
        CloseHandle(process);
    return done ? static_cast<long>(status) : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || !std::freopen(argv[2], "w", stdout))
        return 2;
    SetConsoleCtrlHandler(stay, TRUE);
    const DWORD players = console_mode();
    check((players & ENABLE_QUICK_EDIT_MODE) != 0, "the console starts with QuickEdit on");

    check(ended(start_command(argv[1])) == 0, "the command captures the map");
    check(console_mode() == players, "the player's mode is back after a capture");

    HANDLE tool = start_command(argv[1]);
    bool switched_off = false;
    for (int waited = 0; tool && waited < 60000 && !switched_off; waited += 2) {
        switched_off = (console_mode() & ENABLE_QUICK_EDIT_MODE) == 0;
        Sleep(2);
    }
    check(switched_off, "a capture switches QuickEdit off");
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    const long status = ended(tool);
    check(status != -1 && status != 0, "Ctrl+C ends the capture (exit status " + std::to_string(status) + ")");
    check(console_mode() == players, "the player's mode is back after Ctrl+C");
    return closing_line();
}
