#include "bounded_call.h"

#include <cmath>
#include <limits>

#include "support/child_process.h"
#include "support/plugin_fixture.h"
#include "support/process_memory.h"
#include "support/sanitizer.h"

namespace tolvane::test {
namespace {

// A result crosses as its exit status, offset so that the codes the child machinery uses itself
// (125 when the limit cannot be set) stand for no result a test expects.
constexpr int kOffset = 200;
constexpr int kLowest = -100;  // -56, a colour count mismatch, is the lowest expected
constexpr int kHighest = 54;

}  // namespace

float bounded_call(const std::function<float()> &call) {
    if (!can_run_in_child() || kAddressSanitizer) return call();
    plugin();  // loaded and mapped before the baseline, so that only the call counts
    const std::uint64_t in_use = address_space_in_use();
    const int code = run_with_memory_limit(in_use + kMemoryHeadroom, [&] {
        end_after(kTimeLimitSeconds);
        // Nothing may unwind out of the child: the test framework would carry on running the
        // remaining tests in it.
        float result = 0;
        try {
            result = call();
        } catch (...) {
            return 255;
        }
        const bool fits = std::trunc(result) == result && result >= kLowest && result <= kHighest;
        return fits ? static_cast<int>(result) + kOffset : 255;
    });
    if (code < kLowest + kOffset || code > kHighest + kOffset) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(code - kOffset);
}

}  // namespace tolvane::test
