// Opening a named file as a FILE*.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace plylib {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// `mode` is "rb" or "wb". The name goes to the runtime unchanged, in its current code page, as
// every other path the library is given. Null on failure; a folder is never opened, on any
// system (some would open one for reading and fail only at the first read).
FileHandle open_file(const char *name, const char *mode);

// The size of an open file, or 0 when it cannot be had (file_open_posix.cpp,
// file_open_windows.cpp).
std::uint64_t file_size_or_zero(std::FILE *file);

}  // namespace plylib
