// The first bytes of a file, which tell a PLY file from an interchange file whatever its name.
#pragma once

#include <string>

namespace tolvane::cli {

struct FileStart {
    bool readable = false;
    std::string bytes;  // at most the first few kilobytes
};

FileStart read_file_start(const std::string &path);

// "ply" alone on the first line, as every PLY reader requires.
bool starts_as_ply(const std::string &bytes);

// The storage mode word of the format line ("ascii", "binary_little_endian", ...), or empty.
std::string ply_storage_word(const std::string &bytes);

}  // namespace tolvane::cli
