#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include "support/process_memory.h"

namespace tolvane::test {

std::uint64_t process_memory_bytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage;
}

}  // namespace tolvane::test
