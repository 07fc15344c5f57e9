#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

namespace tolvane::platform {
namespace {

std::string folder_of(const std::string &path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

unsigned next_temp_number() {
    static unsigned counter = static_cast<unsigned>(std::time(nullptr)) ^
                              (static_cast<unsigned>(getpid()) << 16);
    counter = counter * 1664525u + 1013904223u;
    return counter;
}

}  // namespace

std::string replacement_target(const char *target) {
    struct stat link_info;
    if (lstat(target, &link_info) != 0 || !S_ISLNK(link_info.st_mode)) return target;
    // Writing through a link replaces the file it names, as opening the link would.
    char *resolved = realpath(target, nullptr);
    if (resolved == nullptr) return target;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool can_replace(const std::string &target) {
    const int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat info;
        const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        close(fd);
        return regular;
    }
    return errno == ENOENT;
}

bool create_temp_beside(const std::string &target, TempFile &temp) {
    const std::string folder = folder_of(target);
    struct stat target_info;
    const bool target_exists = stat(target.c_str(), &target_info) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "/.tolvane-" + std::to_string(next_temp_number()) + ".tmp";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // The replacement keeps the permissions of the file it replaces.
        if (target_exists) (void)fchmod(fd, target_info.st_mode & 07777);
        std::FILE *stream = fdopen(fd, "wb");
        if (stream == nullptr) {
            close(fd);
            unlink(path.c_str());
            return false;
        }
        temp.stream = stream;
        temp.path = std::move(path);
        return true;
    }
    return false;
}

bool replace_with(const std::string &temp_path, const std::string &target) {
    return rename(temp_path.c_str(), target.c_str()) == 0;
}

void remove_temp(const std::string &temp_path) { unlink(temp_path.c_str()); }

}  // namespace tolvane::platform
