#include <unistd.h>

#include <fstream>

#include "bounded_call.h"

namespace tolvane::test {

std::uint64_t address_space_in_use() {
    // The first field of statm is the total program size, in pages.
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    if (!(statm >> pages)) return 0;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

void end_after(unsigned seconds) {
    alarm(seconds);
}

}  // namespace tolvane::test
