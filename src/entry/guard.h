// Nothing may unwind into the host: it is not C++ and would die with us.
#pragma once

#include <exception>

namespace tolvane::entry {

template <typename Work>
float guarded(float failure, Work &&work) noexcept {
    try {
        return work();
    } catch (...) {
        return failure;
    }
}

}  // namespace tolvane::entry
