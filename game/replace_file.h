// Writing files so that readers only ever see complete ones: a file is written under a temporary
// name beside its final name, and renamed over the final name once it is complete.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Name of the temporary file a write of `name` goes to first, in the same folder.
std::string partial_file_name(const std::string& name);

// Opens the temporary file of `name` and lets `write` fill it. Returns true when `write` did and
// the file was flushed and closed without error. On failure, or when `write` throws (the
// exception is passed on), the temporary file is removed. `name` itself is never touched.
bool write_partial_file(const std::string& name, const std::function<bool(std::FILE*)>& write);

// Renames the temporary file of `name` over `name`; on failure removes it and returns false.
bool commit_partial_file(const std::string& name);

// Removes the temporary file of `name`, if there is one.
void discard_partial_file(const std::string& name);

// `write_partial_file` then `commit_partial_file`: `name` is either replaced by a complete file
// or keeps its earlier content.
bool replace_file(const std::string& name, const std::function<bool(std::FILE*)>& write);
