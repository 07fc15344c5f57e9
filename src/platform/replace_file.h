// Writing a new file beside its target and moving it over the target in one step, so that a
// target is either wholly replaced or left exactly as it was.
#pragma once

#include <cstdio>
#include <string>

namespace tolvane::platform {

struct TempFile {
    std::FILE *stream = nullptr;
    std::string path;
};

// The path that a replacement must land on: `target` itself, or the file a link points to.
std::string replacement_target(const char *target);

// True when `target` does not exist yet, or exists as a file this process may open for writing.
// A folder, a read-only file or a device is refused, as opening it for writing would be.
bool can_replace(const std::string &target);

// Opens a new, empty file in the folder of `target` for writing in binary mode.
bool create_temp_beside(const std::string &target, TempFile &temp);

// Moves `temp_path` over `target` in one step. On failure the target is as it was.
bool replace_with(const std::string &temp_path, const std::string &target);

void remove_temp(const std::string &temp_path);

}  // namespace tolvane::platform
