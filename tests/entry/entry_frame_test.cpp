// What every export shares: the plain names, Version, null pointers, and a buffer that only
// GetFile writes.
#include <gtest/gtest.h>

#include <cstring>

#include "support/plugin_fixture.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

TEST(EntryFrame, VersionIsOnePointSixWhateverItIsGiven) {
    const auto version = entry("Version");
    char buffer[260] = "untouched";
    EXPECT_EQ(version(nullptr, 0.0, nullptr), 1.6f);
    EXPECT_EQ(version("anything", -1e308, buffer), 1.6f);
    EXPECT_EQ(version("", std::numeric_limits<double>::quiet_NaN(), buffer), 1.6f);
    EXPECT_STREQ(buffer, "untouched");
}

TEST(EntryFrame, PathTakingExportsRefuseANullText) {
    for (const char *name : host::kEntryPointNames) {
        if (host::find_entry(plugin(), name) == nullptr) continue;
        SCOPED_TRACE(name);
        // Every path-taking export refuses a null text with -1 and leaves the buffer alone.
        char buffer[260];
        std::memset(buffer, 'b', sizeof buffer);
        buffer[259] = '\0';
        const float result = host::find_entry(plugin(), name)(nullptr, 0.0, buffer);
        const std::string_view n = name;
        if (n == "Version") continue;
        if (n == "GetFile" || n == "CloseFolder") continue;  // they take no text
        EXPECT_EQ(result, -1.0f);
        EXPECT_EQ(std::string(buffer), std::string(259, 'b'));
    }
}

}  // namespace
}  // namespace tolvane::test
