// What both halves of the safe files speak of: a file's content in parts, how carefully a new
// file is written, and what became of reading one.
#pragma once

#include <cstddef>

// A piece of a file's content.
struct file_part {
    const void* data;
    std::size_t size;
};

// Whether a file is flushed to the disk before it replaces its final name: results are; a
// scratch file that is rewritten over and over and only read back at once (the snapshot) need
// not survive a crash, only never be seen half-made by a reader.
enum class file_care { flushed, scratch };

// What became of reading an input file.
enum class read_status { ok, missing, not_regular, unreadable };
