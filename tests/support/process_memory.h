// How much memory the test process holds, as the system counts it: the resident set on Linux,
// private bytes on Windows (process_memory_posix.cpp, process_memory_windows.cpp).
#pragma once

#include <cstdint>
#include <functional>

namespace tolvane::test {

std::uint64_t process_memory_bytes();

// The most that process_memory_bytes() said while `body` ran, asked every millisecond from a
// thread of the test's own.
std::uint64_t peak_memory_during(const std::function<void()> &body);

// The address space the process uses now, in bytes; 0 where it cannot be told.
std::uint64_t address_space_in_use();

// Under AddressSanitizer freed memory waits in a quarantine, so what the process holds says
// nothing of what the code under test gave back.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVANE_TEST_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TOLVANE_TEST_ADDRESS_SANITIZER 1
#endif
#ifdef TOLVANE_TEST_ADDRESS_SANITIZER
inline constexpr bool kFreedMemoryIsQuarantined = true;
#else
inline constexpr bool kFreedMemoryIsQuarantined = false;
#endif

}  // namespace tolvane::test
