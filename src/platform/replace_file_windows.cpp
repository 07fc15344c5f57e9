#include "platform/replace_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

namespace tolvane::platform {
namespace {

std::string folder_of(const std::string &path) {
    const auto separator = path.find_last_of("\\/:");
    if (separator == std::string::npos) return ".";
    if (path[separator] == ':') return path.substr(0, separator + 1) + ".";
    if (separator == 0) return path.substr(0, 1);
    return path.substr(0, separator);
}

unsigned next_temp_number() {
    static unsigned counter = GetTickCount() ^ (GetCurrentProcessId() << 16);
    counter = counter * 1664525u + 1013904223u;
    return counter;
}

}  // namespace

std::string replacement_target(const char *target) { return target; }

bool can_replace(const std::string &target) {
    const int fd = _open(target.c_str(), _O_WRONLY | _O_BINARY);
    if (fd >= 0) {
        _close(fd);
        return true;
    }
    return errno == ENOENT;
}

bool create_temp_beside(const std::string &target, TempFile &temp) {
    const std::string folder = folder_of(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "\\.tolvane-" + std::to_string(next_temp_number()) + ".tmp";
        const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                             _S_IREAD | _S_IWRITE);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        std::FILE *stream = _fdopen(fd, "wb");
        if (stream == nullptr) {
            _close(fd);
            _unlink(path.c_str());
            return false;
        }
        temp.stream = stream;
        temp.path = std::move(path);
        return true;
    }
    return false;
}

bool replace_with(const std::string &temp_path, const std::string &target) {
    return MoveFileExA(temp_path.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove_temp(const std::string &temp_path) { _unlink(temp_path.c_str()); }

}  // namespace tolvane::platform
