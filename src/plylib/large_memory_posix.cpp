#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "plylib/large_memory.h"

namespace plylib {
namespace {

// Below this, the ordinary heap serves as well. Above it, memory is mapped and unmapped
// directly: the heap may keep what is freed, and a host's process should not grow by a
// conversion.
constexpr std::size_t kMappedFrom = std::size_t{512} << 10;

// The large pages' size on x86 and most other systems. A block is mapped in whole ones, on
// their boundaries, so that each can be one large page. Small pages take a fault for every
// 4 KiB, and on a virtual machine those 512 faults cost many times what clearing one large page
// does.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

LargeMemory allocate_large(std::size_t bytes) noexcept {
    if (bytes < kMappedFrom) return LargeMemory(new (std::nothrow) unsigned char[bytes], {bytes});
    if (bytes > SIZE_MAX - 2 * kLargePage) return LargeMemory(nullptr, {bytes});
    const std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    // One large page more than needed, then the ends trimmed off at the boundaries.
    void *mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return LargeMemory(nullptr, {bytes});
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > start) munmap(mapped, aligned - start);
    if (const std::uintptr_t tail = start + kLargePage - aligned; tail > 0)
        munmap(reinterpret_cast<void *>(aligned + size), tail);
    auto *memory = reinterpret_cast<unsigned char *>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(memory, size, MADV_HUGEPAGE);  // a hint; without it the pages are merely small
#endif
    return LargeMemory(memory, {size});
}

void LargeMemoryFree::operator()(unsigned char *memory) const noexcept {
    if (bytes < kMappedFrom) {
        delete[] memory;
    } else {
        munmap(memory, bytes);
    }
}

}  // namespace plylib
