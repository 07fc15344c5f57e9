#include "support/child_process.h"

namespace tolvane::test {

// Windows has no fork and no per-process file size limit; the tests that need them skip.
bool can_run_in_child() { return false; }
int run_with_file_size_limit(std::uint64_t, const std::function<int()> &) { return -1; }
int run_with_memory_limit(std::uint64_t, const std::function<int()> &) { return -1; }

}  // namespace tolvane::test
