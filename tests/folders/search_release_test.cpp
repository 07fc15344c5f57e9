// The platform's search is given back whenever a listing is over: on Windows an open search
// keeps its folder from being deleted or renamed.
#include <gtest/gtest.h>

#include "folders/folder_test_support.h"
#include "folders/open_handles.h"

namespace tolvane::test {
namespace {

class SearchRelease : public FolderTest {
  protected:
    void SetUp() override {
        FolderTest::SetUp();
        make_entries(scratch.path, {"a/", "b/", "a.txt"});
        make_entries(scratch.path / "a", {"mesh.ply"});
        baseline = open_handle_count();
        if (baseline < 0) GTEST_SKIP() << "the platform does not count open handles";
    }
    std::string folder(const char *name) const { return scratch.file(name); }

    ScratchFolder scratch;
    long baseline = 0;
};

TEST_F(SearchRelease, ClosingGivesTheSearchBack) {
    ASSERT_EQ(call("OpenFolder", folder("a").c_str(), 0.0, ""), 0.0f);
    EXPECT_GT(open_handle_count(), baseline);
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f);
    EXPECT_EQ(open_handle_count(), baseline);
}

TEST_F(SearchRelease, ReachingTheEndGivesTheSearchBackBeforeClosing) {
    ASSERT_EQ(call("OpenFolder", folder("a").c_str(), 0.0, ""), 0.0f);
    float last = 0.0f;
    read_remaining(last);
    ASSERT_EQ(last, -3.0f);
    EXPECT_EQ(open_handle_count(), baseline);
}

TEST_F(SearchRelease, OpeningAnotherFolderGivesTheFirstSearchBack) {
    ASSERT_EQ(call("OpenFolder", folder("a").c_str(), 0.0, ""), 0.0f);
    const long one_open = open_handle_count();
    ASSERT_EQ(call("OpenFolder", folder("b").c_str(), 0.0, ""), 0.0f);
    EXPECT_EQ(open_handle_count(), one_open);
    EXPECT_EQ(call("OpenFolder", folder("missing").c_str(), 0.0, ""), -1.0f);
    EXPECT_EQ(open_handle_count(), baseline);
    // With its search given back, the first folder can go.
    std::filesystem::remove_all(scratch.path / "a");
    EXPECT_FALSE(test::exists(scratch.path / "a"));
}

TEST_F(SearchRelease, EmptyFolderGivesItsOwnSearchBack) {
    EXPECT_EQ(call("EmptyFolder", scratch.path.string().c_str(), 0.0, ""), 0.0f);
    EXPECT_EQ(open_handle_count(), baseline);
    EXPECT_EQ(call("EmptyFolder", folder("missing").c_str(), 0.0, ""), -1.0f);
    EXPECT_EQ(open_handle_count(), baseline);
}

TEST_F(SearchRelease, UnloadingThePluginGivesAnOpenListingsSearchBack) {
    // A copy of the plug-in is loaded apart from the one the tests share, and can be unloaded.
    const std::filesystem::path original = host::default_plugin_path();
    const std::filesystem::path copy =
        scratch.path / ("unload-copy" + original.extension().string());
    std::filesystem::copy_file(original, copy);
    long loaded = 0;
    {
        host::Plugin second;
        std::string error;
        ASSERT_TRUE(host::load_plugin(copy.string(), second, error)) << error;
        // Counted after loading: some loaders (32-bit Wine's) keep handles of their own for
        // good once a library has been loaded, and those are not the listing's.
        loaded = open_handle_count();
        const std::string listed = folder("a");
        ASSERT_EQ(host::find_entry(second, "OpenFolder")(listed.c_str(), 0.0, nullptr), 0.0f);
        EXPECT_GT(open_handle_count(), loaded);
    }
    EXPECT_LE(open_handle_count(), loaded);
    std::filesystem::remove_all(scratch.path / "a");
    EXPECT_FALSE(test::exists(scratch.path / "a"));
}

}  // namespace
}  // namespace tolvane::test
