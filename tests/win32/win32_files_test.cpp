// Replacing a file that another program holds open, as a virus scanner does for a moment with a
// file that has just appeared: run under Wine (or on Windows). The program starts itself again
// as the other program ("--hold FILE MS": opens FILE without sharing its deletion, for MS ms).
#include "safe_files.h"
#include "windows_check.h"

#include <windows.h>

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
    DeleteFileA("held.txt");
    DeleteFileA("holding");
    return closing_line();
}
