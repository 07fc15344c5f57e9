#include <sys/mman.h>

#include <new>

#include "plylib/large_memory.h"

namespace plylib {
namespace {

// Below this, the ordinary heap serves as well. Above it, memory is mapped and unmapped
// directly: the heap may keep what is freed, and a host's process should not grow by a
// conversion.
constexpr std::size_t kMappedFrom = std::size_t{512} << 10;

}  // namespace

LargeMemory allocate_large(std::size_t bytes) noexcept {
    if (bytes < kMappedFrom) return LargeMemory(new (std::nothrow) unsigned char[bytes], {bytes});
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return LargeMemory(nullptr, {bytes});
#ifdef MADV_HUGEPAGE
    madvise(memory, bytes, MADV_HUGEPAGE);  // a hint; without it the pages are merely small
#endif
    return LargeMemory(static_cast<unsigned char *>(memory), {bytes});
}

void LargeMemoryFree::operator()(unsigned char *memory) const noexcept {
    if (bytes < kMappedFrom) {
        delete[] memory;
    } else {
        munmap(memory, bytes);
    }
}

}  // namespace plylib
