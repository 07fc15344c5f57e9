#include "platform/file_image.h"

namespace tolvane::platform {

// Never mapped here: another process may cut a file short while it is mapped, and touching a page
// past the new end then kills the whole process (SIGBUS), the host with it. A read only fails.
FileImage map_whole_file(std::FILE *, std::uint64_t) noexcept {
    return nullptr;
}

void FileImageRelease::operator()(const unsigned char *) const noexcept {}

}  // namespace tolvane::platform
