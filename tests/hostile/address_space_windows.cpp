#include "bounded_call.h"

namespace tolvane::test {

// Windows runs bounded calls directly (no child process): neither is ever needed there.
std::uint64_t address_space_in_use() {
    return 0;
}
void end_after(unsigned) {}

}  // namespace tolvane::test
