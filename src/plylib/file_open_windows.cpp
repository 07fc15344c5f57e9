#include <io.h>
#include <sys/stat.h>

#include "plylib/file_open.h"

namespace plylib {

// The runtime refuses to open a folder here already.
FileHandle open_file(const char *name, const char *mode) {
    return FileHandle(std::fopen(name, mode));
}

std::uint64_t file_size_or_zero(std::FILE *file) {
    struct _stat64 info;
    if (!file || _fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG ||
        info.st_size < 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace plylib
