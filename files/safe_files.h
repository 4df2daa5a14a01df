// Writing and reading the tool's files so that nothing but the intended file is ever touched:
// a file is written into a new file of its own beside its final name, created exclusively (an
// existing file, link, FIFO or device is never opened for writing), flushed to the disk, and
// renamed over the final name only when complete. The final name may be a link or a file; it is
// replaced, never written through. Inputs are read only when they are regular files.
#pragma once

#include "file_content.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A complete new file that waits beside its final name to replace it. One that is neither
// committed nor discarded is removed when the pending file goes (an error left its scope).
struct pending_file {
    std::string name;       // the final name
    std::string temporary;  // where the content is; empty once committed or discarded
    int listed = -1;        // its place in the list of new files removed if the process is ended

    pending_file() = default;
    pending_file(const pending_file&) = delete;
    pending_file& operator=(const pending_file&) = delete;
    ~pending_file();
};

// Writes `parts` one after the other into a new file beside `name` and flushes it to the disk
// (unless it is scratch). False, with nothing left behind, when any step fails.
bool write_pending_file(const std::string& name, std::initializer_list<file_part> parts,
                        pending_file& pending, file_care care = file_care::flushed);

// Renames the new file over its final name. False when that fails; the new file is then removed
// and the final name keeps what it held.
bool commit_pending_file(pending_file& pending);

// What `commit_pending_files` did: how many replaced their final names (in the order given) and,
// when not all did, the full name of the first that could not, whether another program held it
// open then, and that program's name as the system knows it ("" when it does not say).
struct commit_outcome {
    size_t committed = 0;
    std::string refused;
    bool held = false;
    std::string holder;
};

// Called once when a final name is found held open by another program and the commit waits for
// it: the file's full name and the holder's name (or "").
using held_file_notice = std::function<void(const std::string& file, const std::string& holder)>;

// Puts several pending files in place of their final names as one set: none is replaced while
// another program holds any of the final names open (a picture viewer showing the earlier file
// keeps it from being replaced on Windows); that is waited for up to `patience`, the thread's
// windows answering meanwhile. The files not committed are removed.
commit_outcome commit_pending_files(std::initializer_list<pending_file*> files,
                                    std::chrono::milliseconds patience,
                                    const held_file_notice& told = nullptr);

// Removes the new file, if it is still there.
void discard_pending_file(pending_file& pending);

// `write_pending_file` then `commit_pending_file`: `name` is either replaced by a complete file or
// keeps its earlier content.
bool replace_file(const std::string& name, std::initializer_list<file_part> parts,
                  file_care care = file_care::flushed);

// Removes every new file not yet committed nor discarded, now: for a process being ended by a
// signal (or the console), which must not leave "*.partial" files behind. Safe to call there.
void remove_pending_files_now();

// `name` with its folder in full, as messages name a file.
std::string full_name(const std::string& name);

// True when a new file can be made beside `name` (its folder is writable); leaves nothing behind.
bool can_write_beside(const std::string& name);

// Opens `name` for reading, in binary mode, only if it is a regular file (following links);
// a folder, FIFO or device is refused without being opened. Null, with the reason, otherwise.
std::FILE* open_regular_file(const std::string& name, read_status& status);

// The whole content of the regular file `name`.
read_status read_regular_file(const std::string& name, std::vector<unsigned char>& bytes);
