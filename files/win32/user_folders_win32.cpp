#include "user_folders.h"

#include <windows.h>

#include <shlobj.h>

#include <cctype>

namespace {

// `folder` in its long form, lower case, ending in a backslash: the temporary folder's name is
// often given in its short form (C:\Users\RUNNER~1\...).
std::string comparable(const std::string& folder)
{
    char whole[MAX_PATH];
    const DWORD length = GetLongPathNameA(folder.c_str(), whole, MAX_PATH);
    std::string result = length > 0 && length < MAX_PATH ? whole : folder;
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (result.empty() || result.back() != '\\')
        result += '\\';
    return result;
}

}  // namespace

std::string pictures_folder()
{
    char folder[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK &&
        GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
        return folder;
    if (SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK)
        return folder;
    return "";
}

bool folder_is_temporary(const std::string& folder)
{
    char temporary[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temporary);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::string inside = comparable(temporary);
    return comparable(folder).rfind(inside, 0) == 0;
}
