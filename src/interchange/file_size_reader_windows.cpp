#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "interchange/file_size_reader.h"

namespace tolvane::interchange {

bool open_file_size(std::FILE *stream, std::uint64_t &size) {
    struct _stat64 info;
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFREG) == 0 ||
        info.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

}  // namespace tolvane::interchange
