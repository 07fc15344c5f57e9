#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>

#include "interchange/input_file.h"

namespace tolvane::interchange {

bool regular_file_size(std::FILE *stream, std::uint64_t &size) {
    struct _stat64 info;
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFREG) == 0 ||
        info.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool seek_to(std::FILE *stream, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           _fseeki64(stream, static_cast<__int64>(offset), SEEK_SET) == 0;
}

}  // namespace tolvane::interchange
