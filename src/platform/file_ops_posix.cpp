#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace tolvane::platform {
namespace {

constexpr unsigned kRenameNoReplace = 1;  // RENAME_NOREPLACE

int rename_no_replace(const char *from, const char *to) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, kRenameNoReplace);
#elif defined(SYS_renameat2)
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, kRenameNoReplace));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// For file systems without a no-replace rename: a new link fails when the name is taken, so
// nothing is ever replaced. Folders cannot be linked and are refused here.
bool rename_by_link(const char *from, const char *to) {
    if (link(from, to) != 0) return false;
    if (unlink(from) == 0) return true;
    unlink(to);
    return false;
}

}  // namespace

bool delete_file(const char *path) {
    if (strnlen(path, PATH_MAX) >= PATH_MAX) return false;
    // unlink, not remove: remove would take an empty folder too.
    return unlink(path) == 0;
}

bool rename_without_replacing(const char *from, const char *to) {
    if (rename_no_replace(from, to) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    return rename_by_link(from, to);
}

}  // namespace tolvane::platform
