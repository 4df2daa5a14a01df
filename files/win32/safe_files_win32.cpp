// The platform's part of the tool's file handling on Windows: CREATE_NEW (which fails on any
// existing name, links included), FlushFileBuffers before MoveFileEx, a rename tried again for a
// short while when another program holds the file, and inputs checked to be disk files before
// they are read.
#include "platform_files.h"
#include "system_function.h"

#include <windows.h>

#include <restartmanager.h>

#include <fcntl.h>
#include <io.h>

namespace platform_files {

bool write_new_file(const std::string& temporary, std::initializer_list<file_part> parts,
                    file_care care, bool& exists)
{
    // Shared for deletion only: a console handler ending the process may remove the file while
    // it is being written.
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = file == INVALID_HANDLE_VALUE &&
             (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    for (const file_part& part : parts) {
        DWORD count = 0;
        written = written && WriteFile(file, part.data, static_cast<DWORD>(part.size), &count,
                                       nullptr) && count == part.size;
    }
    // An empty file (the probe of a folder) has nothing to flush.
    written = written && (parts.size() == 0 || care == file_care::scratch || FlushFileBuffers(file));
    written = CloseHandle(file) && written;
    if (!written)
        DeleteFileA(temporary.c_str());
    return written;
}

// A virus scanner or an indexer opens a new file for a moment as it appears; a rename meanwhile
// fails with access denied or a sharing violation. It is tried again every `rename_retry_ms`, up
// to `rename_patience_ms` in all. (POSIX renames are not hindered by open files.)
constexpr DWORD rename_retry_ms = 50;
constexpr DWORD rename_patience_ms = 2000;

bool rename_over(const std::string& from, const std::string& to)
{
    const DWORD attributes = GetFileAttributesA(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    for (DWORD waited = 0;; waited += rename_retry_ms) {
        if (MoveFileExA(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
             error != ERROR_LOCK_VIOLATION) ||
            waited >= rename_patience_ms)
            return false;
        Sleep(rename_retry_ms);
    }
}

// A rename over `name` opens it for deletion: a program holding it open without sharing that
// (as picture viewers do) makes the rename fail. Opening it the same way tells, and lets go.
bool held_open(const std::string& name)
{
    HANDLE file = CreateFileA(name.c_str(), DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION;
}

// The Restart Manager knows which programs hold a file and their names as the player sees them
// ("Photos"). Looked up at run time: it answers nothing where it is missing or a stub.
std::string program_holding(const std::string& name)
{
    using start_session = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
    using register_files = DWORD(WINAPI*)(DWORD, UINT, const WCHAR**, UINT, void*, UINT,
                                          const WCHAR**);
    using get_list = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
    using end_session = DWORD(WINAPI*)(DWORD);
    const auto start = system_function<start_session>("rstrtmgr.dll", "RmStartSession");
    const auto add = system_function<register_files>("rstrtmgr.dll", "RmRegisterResources");
    const auto list = system_function<get_list>("rstrtmgr.dll", "RmGetList");
    const auto end = system_function<end_session>("rstrtmgr.dll", "RmEndSession");
    std::string holder;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start && add && list && end && start(&session, 0, key) == ERROR_SUCCESS) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH) > 0) {
            const WCHAR* files[] = {wide};
            RM_PROCESS_INFO found[4];
            UINT needed = 0, count = 4;
            DWORD reasons = 0;
            const DWORD listed = add(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS
                                     ? list(session, &needed, &count, found, &reasons)
                                     : ERROR_INVALID_HANDLE;
            if ((listed == ERROR_SUCCESS || listed == ERROR_MORE_DATA) && count > 0 &&
                found[0].strAppName[0]) {
                char narrow[CCH_RM_MAX_APP_NAME + 1];
                if (WideCharToMultiByte(CP_ACP, 0, found[0].strAppName, -1, narrow, sizeof narrow,
                                        nullptr, nullptr) > 0)
                    holder = narrow;
            }
        }
        end(session);
    }
    return holder;
}

bool remove_file(const char* name)
{
    return DeleteFileA(name) != 0;
}

std::FILE* open_regular_file(const std::string& name, read_status& status)
{
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                     ? read_status::missing
                     : read_status::unreadable;
        return nullptr;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        status = read_status::not_regular;
        return nullptr;
    }
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        status = read_status::unreadable;
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        status = read_status::not_regular;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        status = read_status::unreadable;
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "rb");
    if (!stream) {
        _close(fd);
        status = read_status::unreadable;
        return nullptr;
    }
    status = read_status::ok;
    return stream;
}

}  // namespace platform_files
