#include "safe_files.h"

#include "platform_files.h"
#include "wait_answering.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

// The new files that exist now, by name, for `remove_pending_files_now`: plain memory that a
// signal handler may read at any moment. A name is written before its slot is marked in use, and
// the slot is let go once its file is renamed or removed.
struct listed_file {
    char name[1024];
    volatile std::sig_atomic_t in_use;
};
listed_file listed_files[8];
constexpr int listed_slots = static_cast<int>(sizeof listed_files / sizeof listed_files[0]);

int list_file(const std::string& temporary)
{
    if (temporary.size() >= sizeof listed_files[0].name)
        return -1;
    for (int slot = 0; slot < listed_slots; ++slot)
        if (!listed_files[slot].in_use) {
            std::memcpy(listed_files[slot].name, temporary.c_str(), temporary.size() + 1);
            listed_files[slot].in_use = 1;
            return slot;
        }
    return -1;
}

void unlist_file(pending_file& pending)
{
    if (pending.listed >= 0)
        listed_files[pending.listed].in_use = 0;
    pending.listed = -1;
}

// A fresh name beside `name`: "NAME.XXXXXX.partial", with six random letters and digits.
std::string temporary_name_for(const std::string& name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::mt19937_64 random([] {
        std::random_device device;
        const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
        return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
               static_cast<std::uint64_t>(clock);
    }());
    std::string result = name + ".";
    for (int i = 0; i < 6; ++i)
        result += letters[random() % (sizeof letters - 1)];
    return result + ".partial";
}

}  // namespace

bool write_pending_file(const std::string& name, std::initializer_list<file_part> parts,
                        pending_file& pending, file_care care)
{
    discard_pending_file(pending);
    pending.name = name;
    // A taken name (whatever it is) is never opened: another name is tried instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = temporary_name_for(name);
        bool exists = false;
        pending.listed = list_file(temporary);  // before the file exists
        if (platform_files::write_new_file(temporary, parts, care, exists)) {
            pending.temporary = temporary;
            return true;
        }
        unlist_file(pending);
        if (!exists)
            return false;
    }
    return false;
}

bool commit_pending_file(pending_file& pending)
{
    if (pending.temporary.empty())
        return false;
    const bool renamed = platform_files::rename_over(pending.temporary, pending.name);
    if (!renamed)
        platform_files::remove_file(pending.temporary.c_str());
    unlist_file(pending);
    pending.temporary.clear();
    return renamed;
}

commit_outcome commit_pending_files(std::initializer_list<pending_file*> files,
                                    std::chrono::milliseconds patience,
                                    const held_file_notice& told)
{
    commit_outcome outcome;
    const auto held_file = [&]() -> const pending_file* {
        for (const pending_file* file : files)
            if (platform_files::held_open(file->name))
                return file;
        return nullptr;
    };
    const auto refuse = [&](const pending_file& file) {
        outcome.refused = full_name(file.name);
        outcome.held = platform_files::held_open(file.name);
        if (outcome.held)
            outcome.holder = platform_files::program_holding(file.name);
        for (pending_file* left : files)
            discard_pending_file(*left);
        return outcome;
    };
    const auto started = std::chrono::steady_clock::now();
    bool waiting = false;
    while (const pending_file* held = held_file()) {
        if (std::chrono::steady_clock::now() - started >= patience)
            return refuse(*held);
        if (!waiting && told)
            told(full_name(held->name), platform_files::program_holding(held->name));
        waiting = true;
        wait_answering(std::chrono::milliseconds(100));
    }
    for (pending_file* file : files) {
        if (!commit_pending_file(*file))
            return refuse(*file);
        ++outcome.committed;
    }
    return outcome;
}

void discard_pending_file(pending_file& pending)
{
    if (!pending.temporary.empty())
        platform_files::remove_file(pending.temporary.c_str());
    unlist_file(pending);
    pending.temporary.clear();
}

void remove_pending_files_now()
{
    for (listed_file& file : listed_files)
        if (file.in_use)
            platform_files::remove_file(file.name);
}

pending_file::~pending_file()
{
    discard_pending_file(*this);
}

bool replace_file(const std::string& name, std::initializer_list<file_part> parts,
                  file_care care)
{
    pending_file pending;
    return write_pending_file(name, parts, pending, care) && commit_pending_file(pending);
}

std::string full_name(const std::string& name)
{
    std::error_code failed;
    const std::filesystem::path whole = std::filesystem::absolute(name, failed);
    return failed ? name : whole.lexically_normal().string();
}

bool can_write_beside(const std::string& name)
{
    pending_file pending;
    if (!write_pending_file(name, {}, pending))
        return false;
    discard_pending_file(pending);
    return true;
}

std::FILE* open_regular_file(const std::string& name, read_status& status)
{
    return platform_files::open_regular_file(name, status);
}

read_status read_regular_file(const std::string& name, std::vector<unsigned char>& bytes)
{
    read_status status;
    std::FILE* file = open_regular_file(name, status);
    if (!file)
        return status;
    // The size is only a hint: the file may change while it is read.
    std::size_t expected = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        expected = size > 0 ? static_cast<std::size_t>(size) : 0;
    }
    std::rewind(file);
    bytes.resize(expected + 1);
    std::size_t filled = 0;
    while (true) {
        filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file);
        if (filled < bytes.size())
            break;
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(filled);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? read_status::unreadable : read_status::ok;
}
