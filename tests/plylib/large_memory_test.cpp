// Blocks for columns and whole files: every byte asked for is there to write and read back, on
// either side of the sizes where the way of allocating changes.
#include <gtest/gtest.h>

#include <cstddef>

#include "plylib/large_memory.h"

namespace {

TEST(LargeMemory, EveryByteAskedForCanBeWrittenAndReadBack) {
    constexpr std::size_t kKiB = 1024, kMiB = 1024 * kKiB;
    for (const std::size_t bytes : {std::size_t{1}, 512 * kKiB - 1, 512 * kKiB, 2 * kMiB - 1,
                                    2 * kMiB, 2 * kMiB + 1, 5 * kMiB + 3}) {
        plylib::LargeMemory first = plylib::allocate_large(bytes);
        plylib::LargeMemory second = plylib::allocate_large(bytes);
        ASSERT_TRUE(first && second) << bytes;
        for (std::size_t at = 0; at < bytes; at += 4093) first[at] = static_cast<unsigned char>(at);
        const std::size_t last = bytes - 1;  // sizes are at least 1
        if (last >= bytes) continue;         // as the compiler cannot see: it warns otherwise
        first[last] = 0xA5;
        second[last] = 0x3C;
        second[0] = 0x5A;
        for (std::size_t at = 0; at + 1 < bytes; at += 4093)
            ASSERT_EQ(first[at], static_cast<unsigned char>(at)) << bytes << " at " << at;
        EXPECT_EQ(first[last], 0xA5) << bytes;
        EXPECT_EQ(second[0], 0x5A) << bytes;
        if (bytes > 1) {
            EXPECT_EQ(second[last], 0x3C) << bytes;
        }
    }
}

}  // namespace
