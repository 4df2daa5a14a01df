#include "replace_file.h"

#include <filesystem>
#include <system_error>

std::string partial_file_name(const std::string& name)
{
    return name + ".partial";
}

bool write_partial_file(const std::string& name, const std::function<bool(std::FILE*)>& write)
{
    const std::string partial = partial_file_name(name);
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return false;
    bool written;
    try {
        written = write(file);
    } catch (...) {
        std::fclose(file);
        std::remove(partial.c_str());
        throw;
    }
    written = written && std::fflush(file) == 0 && !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (!written)
        std::remove(partial.c_str());
    return written;
}

bool commit_partial_file(const std::string& name)
{
    std::error_code error;
    std::filesystem::rename(partial_file_name(name), name, error);
    if (error)
        discard_partial_file(name);
    return !error;
}

void discard_partial_file(const std::string& name)
{
    std::remove(partial_file_name(name).c_str());
}

bool replace_file(const std::string& name, const std::function<bool(std::FILE*)>& write)
{
    return write_partial_file(name, write) && commit_partial_file(name);
}
