#include "platform/replace_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

namespace tolvane::platform {
namespace {

// The target's folder as a prefix for a file name in it: everything up to and including the last
// separator or drive colon ("dir\", "C:\", "C:", a lone separator), or nothing for a bare name.
// Adding a separator of our own instead would turn a target in the root, "\file", into
// "\\.tolvane-N.tmp": a network path.
std::string folder_prefix_of(const std::string &path) {
    const auto separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// No Windows path is longer. Handed a longer one, the system's narrow-to-wide conversion may cut
// it short (Wine does), and the file would be created or replaced at whatever the cut path names.
constexpr std::size_t kLongestPath = 32767;

bool fits_windows_path(const std::string &path) { return path.size() <= kLongestPath; }

unsigned next_temp_number() {
    static unsigned counter = GetTickCount() ^ (GetCurrentProcessId() << 16);
    counter = counter * 1664525u + 1013904223u;
    return counter;
}

}  // namespace

std::string replacement_target(const char *target) { return target; }

bool can_replace(const std::string &target) {
    if (!fits_windows_path(target)) return false;
    const int fd = _open(target.c_str(), _O_WRONLY | _O_BINARY);
    if (fd >= 0) {
        // Devices (NUL, CON, COM1) open like files but cannot be replaced by one.
        const bool disk_file =
            GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_DISK;
        _close(fd);
        return disk_file;
    }
    return errno == ENOENT;
}

bool create_temp_beside(const std::string &target, TempFile &temp) {
    const std::string folder = folder_prefix_of(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + ".tolvane-" + std::to_string(next_temp_number()) + ".tmp";
        if (!fits_windows_path(path)) return false;
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
    if (!fits_windows_path(temp_path) || !fits_windows_path(target)) return false;
    return MoveFileExA(temp_path.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove_temp(const std::string &temp_path) {
    if (fits_windows_path(temp_path)) _unlink(temp_path.c_str());
}

}  // namespace tolvane::platform
