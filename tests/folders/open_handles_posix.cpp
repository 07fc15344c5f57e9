#include <dirent.h>

#include "folders/open_handles.h"

namespace tolvane::test {

long open_handle_count() {
    DIR *descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr) return -1;
    long count = 0;
    while (readdir(descriptors) != nullptr) ++count;
    closedir(descriptors);
    return count;
}

}  // namespace tolvane::test
