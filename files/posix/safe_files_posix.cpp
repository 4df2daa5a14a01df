// The platform's part of the tool's file handling on POSIX systems: exclusive creation with
// O_EXCL (which never follows a link), fsync before the rename, and inputs checked with stat
// before they are opened, without blocking, and checked again once open.
#include "platform_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform_files {

namespace {

bool write_all(int fd, const void* data, std::size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool write_new_file(const std::string& temporary, std::initializer_list<file_part> parts,
                    file_care care, bool& exists)
{
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0)
        return false;
    bool written = true;
    for (const file_part& part : parts)
        written = written && write_all(fd, part.data, part.size);
    // An empty file (the probe of a folder) has nothing to flush.
    written = written && (parts.size() == 0 || care == file_care::scratch || ::fsync(fd) == 0);
    written = ::close(fd) == 0 && written;
    if (!written)
        ::unlink(temporary.c_str());
    return written;
}

bool rename_over(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// A file open in another program is renamed over all the same.
bool held_open(const std::string&)
{
    return false;
}

std::string program_holding(const std::string&)
{
    return "";
}

bool remove_file(const char* name)
{
    return ::unlink(name) == 0;
}

std::FILE* open_regular_file(const std::string& name, read_status& status)
{
    struct stat before;
    if (::stat(name.c_str(), &before) != 0) {
        status = errno == ENOENT || errno == ENOTDIR ? read_status::missing
                                                     : read_status::unreadable;
        return nullptr;
    }
    if (!S_ISREG(before.st_mode)) {
        status = read_status::not_regular;
        return nullptr;
    }
    // Without blocking, in case something else took the name meanwhile (a FIFO would wait for
    // a writer for ever).
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        status = errno == ENOENT ? read_status::missing : read_status::unreadable;
        return nullptr;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        status = read_status::not_regular;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        status = read_status::unreadable;
        return nullptr;
    }
    status = read_status::ok;
    return file;
}

}  // namespace platform_files
