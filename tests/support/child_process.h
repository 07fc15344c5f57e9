// Running a piece of a test in a child process under resource limits (a full disk, a small
// address space). Only where the platform can fork; elsewhere the tests that need it skip.
#pragma once

#include <cstdint>
#include <functional>

namespace tolvane::test {

bool can_run_in_child();

// Runs `body` in a child whose files may not grow past `max_file_bytes`; writes beyond fail
// with an error instead of stopping the process. Returns the child's exit code, or -1.
int run_with_file_size_limit(std::uint64_t max_file_bytes, const std::function<int()> &body);

// Runs `body` in a child whose address space is limited to `max_bytes`.
int run_with_memory_limit(std::uint64_t max_bytes, const std::function<int()> &body);

}  // namespace tolvane::test
