// Memory for columns, which run to hundreds of megabytes for large meshes. Where the system
// offers it, such blocks are backed by large pages: touching a fresh page for the first time
// costs more than decoding the values that fill it (large_memory_posix.cpp,
// large_memory_windows.cpp). Given back to the system whole when freed.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace plylib {

struct LargeMemoryFree {
    std::size_t bytes = 0;
    void operator()(unsigned char *memory) const noexcept;
};
using LargeMemory = std::unique_ptr<unsigned char[], LargeMemoryFree>;

// Null when memory runs out.
LargeMemory allocate_large(std::size_t bytes) noexcept;

// The same for callers whose way out when memory runs out is std::bad_alloc.
inline LargeMemory allocate_large_or_throw(std::size_t bytes) {
    LargeMemory memory = allocate_large(bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
}

}  // namespace plylib
