// Opening a named file as a FILE*.
#pragma once

#include <cstdio>
#include <memory>

namespace plylib {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// `mode` is "rb" or "wb". The name goes to the runtime unchanged, in its current code page, as
// every other path the library is given. Null on failure.
FileHandle open_file(const char *name, const char *mode);

}  // namespace plylib
