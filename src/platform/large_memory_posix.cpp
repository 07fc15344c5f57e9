#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/large_memory.h"

namespace tolvane::platform {
namespace {

// The large pages' size on x86 and most other systems. A block is mapped in whole ones, on their
// boundaries, so that each can be one large page.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

LargeMemory allocate_large_or_throw(std::size_t bytes) {
    if (bytes > SIZE_MAX - 2 * kLargePage) throw std::bad_alloc();
    const std::size_t size =
        (std::max<std::size_t>(bytes, 1) + kLargePage - 1) / kLargePage * kLargePage;
    // One large page more than needed, then the ends trimmed off at the boundaries.
    void *mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
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
    munmap(memory, bytes);
}

}  // namespace tolvane::platform
