// Replacing a file that another program holds open, as a virus scanner does for a moment with a
// file that has just appeared, or a picture viewer for as long as it shows it: run under Wine (or
// on Windows). The program starts itself again as the other program ("--hold FILE MS": opens
// FILE without sharing its deletion, for MS ms). "--hold-until FILE WATCHED TEXT" holds FILE
// until the file WATCHED holds TEXT (at most two minutes), for a test of the whole tool.
#include "safe_files.h"
#include "windows_check.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string read_file(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool replace_with(const std::string& name, const std::string& text)
{
    return replace_file(name, {{text.data(), text.size()}});
}

// Starts this program holding `name` open for `ms` milliseconds; returns once it holds it.
HANDLE hold_open(const std::string& name, int ms)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --hold " + name + " " + std::to_string(ms);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    DeleteFileA("holding");
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &process))
        return nullptr;
    CloseHandle(process.hThread);
    for (int waited = 0; waited < 10000 && GetFileAttributesA("holding") == INVALID_FILE_ATTRIBUTES;
         waited += 10)
        Sleep(10);
    return process.hProcess;
}

bool no_partial_files()
{
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().string().find(".partial") != std::string::npos)
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--hold-until") == 0) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        std::printf("holding %s\n", file == INVALID_HANDLE_VALUE ? "nothing" : argv[2]);
        std::fflush(stdout);
        for (int waited = 0; waited < 120000 && read_file(argv[3]).find(argv[4]) == std::string::npos;
             waited += 50)
            Sleep(50);
        CloseHandle(file);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        std::ofstream("holding") << "yes";
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        CloseHandle(file);
        return 0;
    }
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string work = std::string(folder) + "tilequilt-files-test";
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());

    check(replace_with("held.txt", "earlier"), "the first file is written");
    // Held for a moment: the replacement waits for it and succeeds.
    HANDLE holder = hold_open("held.txt", 600);
    check(holder != nullptr, "the holding program started");
    const DWORD start = GetTickCount();
    check(replace_with("held.txt", "later"), "a file held for a moment is replaced once let go");
    check(read_file("held.txt") == "later", "and holds the new content");
    check(GetTickCount() - start >= 300, "the replacement waited for the holder");
    WaitForSingleObject(holder, 10000);
    CloseHandle(holder);

    // Held past the bound: the replacement fails, the earlier file whole, nothing left behind.
    holder = hold_open("held.txt", 6000);
    check(!replace_with("held.txt", "never"), "a file held for long is not replaced");
    check(read_file("held.txt") == "later", "and keeps its content whole");
    check(no_partial_files(), "no new file is left beside it");
    WaitForSingleObject(holder, 10000);
    CloseHandle(holder);

    // A pair replaced as a pair: while the second is held, neither is replaced; held past the
    // patience, both keep the earlier content and the refusal names the held one in full.
    check(replace_with("first.txt", "old") && replace_with("second.txt", "old"), "an old pair");
    const auto pending_pair = [](pending_file& first, pending_file& second) {
        return write_pending_file("first.txt", {{"new", 3}}, first) &&
               write_pending_file("second.txt", {{"new", 3}}, second);
    };
    holder = hold_open("second.txt", 4000);
    {
        pending_file first, second;
        check(pending_pair(first, second), "a new pair is written beside");
        std::string told;
        const commit_outcome done = commit_pending_files(
            {&first, &second}, std::chrono::milliseconds(1000),
            [&](const std::string& file, const std::string&) { told += file + ";"; });
        check(done.committed == 0 && done.held, "a held pair is not replaced");
        check(done.refused == full_name("second.txt") && done.refused.find(work) == 0,
              "the refusal names the held file in full: " + done.refused);
        check(told == done.refused + ";", "the wait for it is told once: " + told);
    }
    check(read_file("first.txt") == "old" && read_file("second.txt") == "old",
          "both keep the earlier content");
    check(no_partial_files(), "no new file is left beside them");
    // Let go within the patience: both are replaced.
    {
        pending_file first, second;
        check(pending_pair(first, second), "a new pair again");
        const commit_outcome done =
            commit_pending_files({&first, &second}, std::chrono::milliseconds(20000));
        check(done.committed == 2 && done.refused.empty(), "the pair is replaced once let go");
    }
    check(read_file("first.txt") == "new" && read_file("second.txt") == "new", "both are new");
    WaitForSingleObject(holder, 10000);
    CloseHandle(holder);

    for (const char* name : {"held.txt", "holding", "first.txt", "second.txt"})
        DeleteFileA(name);
    return closing_line();
}
