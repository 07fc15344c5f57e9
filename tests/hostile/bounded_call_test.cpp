// The bound the hostile tests rely on: without it a test of "no unbounded allocation" proves
// nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <new>

#include "bounded_call.h"
#include "support/child_process.h"
#include "support/sanitizer.h"

namespace tolvane::test {
namespace {

// Kept out of line: inlined with a constant 2^31, a 32-bit build judges the block larger than any
// object can be and refuses to compile the test that shows such a block is stopped. The block's
// address goes to a volatile place: an optimiser may otherwise drop an allocation whose only
// use it can see through, and the release build's did.
[[gnu::noinline]] float allocate(std::size_t bytes) {
    auto block = std::make_unique<unsigned char[]>(bytes);
    unsigned char *volatile seen = block.get();
    seen[bytes - 1] = 1;
    return seen[bytes - 1] == 1 ? -1.0f : -2.0f;
}

TEST(BoundedCall, AnAllocationOfTwoTo31BytesIsStopped) {
    if (!can_run_in_child() || kAddressSanitizer) {
        GTEST_SKIP() << "needs a child process under an address-space limit";
    }
    EXPECT_EQ(bounded_call([] { return allocate(std::size_t{64} << 20); }), -1.0f);
    EXPECT_TRUE(std::isnan(bounded_call([] { return allocate(std::size_t{1} << 31); })));
    EXPECT_EQ(bounded_call([] { return 54.0f; }), 54.0f);
    EXPECT_TRUE(std::isnan(bounded_call([] { return 0.5f; })));
}

}  // namespace
}  // namespace tolvane::test
