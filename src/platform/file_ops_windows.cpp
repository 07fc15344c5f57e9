#include "platform/file_ops.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace tolvane::platform {

// The runtime's remove and rename already behave as required here: remove refuses folders,
// rename refuses a new path that names an existing file or folder.

bool delete_file(const char *path) {
    if (strnlen(path, MAX_PATH) >= MAX_PATH) return false;
    return std::remove(path) == 0;
}

bool rename_without_replacing(const char *from, const char *to) {
    // No Windows path is longer; the runtime would cut a longer one short and rename to or from
    // whatever the cut path names.
    constexpr std::size_t kLongestPath = 32767;
    if (strnlen(from, kLongestPath + 1) > kLongestPath ||
        strnlen(to, kLongestPath + 1) > kLongestPath) {
        return false;
    }
    return std::rename(from, to) == 0;
}

}  // namespace tolvane::platform
