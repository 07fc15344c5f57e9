// Calling an export on hostile input with a fixed memory bound and a time limit: in a child
// process whose address space may grow at most kMemoryHeadroom past what the test process
// already uses, killed after kTimeLimitSeconds. Where no such child can run (Windows, or under
// AddressSanitizer, whose own allocation cap bounds memory there) the call runs directly.
#pragma once

#include <cstdint>
#include <functional>

namespace tolvane::test {

// Far below the 2 GiB that one byte per element of a 2^31-element header would take.
inline constexpr std::uint64_t kMemoryHeadroom = std::uint64_t{512} << 20;
inline constexpr unsigned kTimeLimitSeconds = 60;

// The result of `call`, which must be a whole number in [-100, 54] to cross the child's exit
// status; NaN when the child died (out of memory, out of time, a crash) or its result did not
// fit.
float bounded_call(const std::function<float()> &call);

// Ends the process (a child) after `seconds` of wall time, whatever it is doing.
void end_after(unsigned seconds);

}  // namespace tolvane::test
