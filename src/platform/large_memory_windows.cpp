#include "platform/large_memory.h"

namespace tolvane::platform {

// Large pages need a privilege that a host's user rarely holds: the ordinary heap it is.
LargeMemory allocate_large_or_throw(std::size_t bytes) {
    return LargeMemory(new unsigned char[bytes], {bytes});
}

void LargeMemoryFree::operator()(unsigned char *memory) const noexcept {
    delete[] memory;
}

}  // namespace tolvane::platform
