// How much memory the test process holds, as the system counts it: the resident set on Linux,
// private bytes on Windows (process_memory_posix.cpp, process_memory_windows.cpp).
#pragma once

#include <cstdint>

namespace tolvane::test {

std::uint64_t process_memory_bytes();

}  // namespace tolvane::test
