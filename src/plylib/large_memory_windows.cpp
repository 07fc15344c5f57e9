#include <new>

#include "plylib/large_memory.h"

namespace plylib {

// Large pages need a privilege that a host's user rarely holds: the ordinary heap it is.
LargeMemory allocate_large(std::size_t bytes) noexcept {
    return LargeMemory(new (std::nothrow) unsigned char[bytes], {bytes});
}

void LargeMemoryFree::operator()(unsigned char *memory) const noexcept {
    delete[] memory;
}

}  // namespace plylib
