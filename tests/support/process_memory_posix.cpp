#include <unistd.h>

#include <fstream>

#include "support/process_memory.h"

namespace tolvane::test {

std::uint64_t process_memory_bytes() {
    // statm: total program size, then the resident set, in pages.
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

std::uint64_t address_space_in_use() {
    // The first field of statm is the total program size, in pages.
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    if (!(statm >> pages)) return 0;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace tolvane::test
