#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include "support/process_memory.h"

namespace tolvane::test {

// The commit charge: the private bytes the process holds.
std::uint64_t process_memory_bytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}

// Windows limits no child's address space (child_process_windows.cpp): never needed there.
std::uint64_t address_space_in_use() {
    return 0;
}

}  // namespace tolvane::test
