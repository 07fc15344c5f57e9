#include "platform/library_loader.h"

namespace tolvane::platform {

LoadedLibrary &LoadedLibrary::operator=(LoadedLibrary &&other) noexcept {
    if (this != &other) {
        unload_library(*this);
        handle = other.handle;
        other.handle = nullptr;
    }
    return *this;
}

LoadedLibrary::~LoadedLibrary() { unload_library(*this); }

}  // namespace tolvane::platform
