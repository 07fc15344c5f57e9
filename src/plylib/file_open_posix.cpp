#include <sys/stat.h>

#include "plylib/file_open.h"

namespace plylib {

FileHandle open_file(const char *name, const char *mode) {
    FileHandle file(std::fopen(name, mode));
    struct stat info;
    if (file && fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

std::uint64_t file_size_or_zero(std::FILE *file) {
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace plylib
