// Opening a named file as a FILE*, the one thing of the PLY library that differs between
// operating systems (file_open_posix.cpp, file_open_windows.cpp).
#pragma once

#include <cstdio>
#include <memory>

namespace plylib {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// `mode` is "rb" or "wb". On Windows a name that is valid UTF-8 is opened as such (so that any
// path can be given); other names are taken in the process code page. Null on failure.
FileHandle open_file(const char *name, const char *mode);

}  // namespace plylib
