// Blocks of memory that are filled once and not cleared first. Where the system offers it they
// are backed by large pages: on a virtual machine, faulting in each small page of a fresh block
// costs more than filling it (large_memory_posix.cpp, large_memory_windows.cpp).
#pragma once

#include <cstddef>
#include <memory>

namespace tolvane::platform {

struct LargeMemoryFree {
    std::size_t bytes = 0;
    void operator()(unsigned char *memory) const noexcept;
};
using LargeMemory = std::unique_ptr<unsigned char[], LargeMemoryFree>;

// At least `bytes` bytes; throws std::bad_alloc when memory runs out.
LargeMemory allocate_large_or_throw(std::size_t bytes);

}  // namespace tolvane::platform
