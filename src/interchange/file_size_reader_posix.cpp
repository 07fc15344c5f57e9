#include <sys/stat.h>

#include "interchange/file_size_reader.h"

namespace tolvane::interchange {

bool open_file_size(std::FILE *stream, std::uint64_t &size) {
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

}  // namespace tolvane::interchange
