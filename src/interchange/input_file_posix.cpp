#include <sys/stat.h>

#include <limits>

#include "interchange/input_file.h"

namespace tolvane::interchange {

bool regular_file_size(std::FILE *stream, std::uint64_t &size) {
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool seek_to(std::FILE *stream, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
           fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
}

}  // namespace tolvane::interchange
