// OpenFolder, GetFile and CloseFolder: the cursor's states, and which texts name a folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "folders/folder_test_support.h"

namespace tolvane::test {
namespace {

using FolderListing = FolderTest;

TEST_F(FolderListing, CursorWalksThroughEveryState) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"a.txt", "sub.dir/"});
    const std::string folder = scratch.path.string();
    std::string name;

    // Empty.
    EXPECT_EQ(get_file(name), -1.0f);
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), -1.0f);

    // Open, first result pending: a null buffer is refused and consumes nothing.
    ASSERT_EQ(call("OpenFolder", folder.c_str(), 0.0, ""), 0.0f);
    EXPECT_EQ(entry("GetFile")(nullptr, 0.0, nullptr), -1.0f);

    // Searching, then exhausted: -3 for good, and the stream still wants closing once.
    float last = 0.0f;
    EXPECT_EQ(sorted(read_remaining(last)), listing_of({"a.txt", "sub.dir"}));
    EXPECT_EQ(last, -3.0f);
    EXPECT_EQ(get_file(name), -3.0f);
    EXPECT_EQ(get_file(name), -3.0f);
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f);

    // Empty again.
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), -1.0f);
    EXPECT_EQ(get_file(name), -1.0f);
}

TEST_F(FolderListing, ClosingBeforeTheFirstReadSucceeds) {
    ScratchFolder scratch;
    ASSERT_EQ(call("OpenFolder", scratch.path.string().c_str(), 0.0, ""), 0.0f);
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f);
    std::string name;
    EXPECT_EQ(get_file(name), -1.0f);
}

TEST_F(FolderListing, EmptyFolderGivesOnlyItsDotEntries) {
    ScratchFolder scratch;
    EXPECT_EQ(list_through_exports(scratch.path.string()), listing_of({}));
}

TEST_F(FolderListing, EveryKindOfEntryIsHandedOutByItsBareName) {
    ScratchFolder scratch;
    const Names names = {"README", ".hidden", "mesh.ply", "a.b.c", "with space.txt", "sub/"};
    make_entries(scratch.path, names);
    make_entries(scratch.path / "sub", {"inner.txt"});  // never listed: subfolders are not entered
    EXPECT_EQ(list_through_exports(scratch.path.string()),
              listing_of({"README", ".hidden", "mesh.ply", "a.b.c", "with space.txt", "sub"}));
}

TEST_F(FolderListing, GetFileWritesTheNameAndItsNulOnly) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"mesh.ply"});
    ASSERT_EQ(call("OpenFolder", scratch.path.string().c_str(), 0.0, ""), 0.0f);
    for (;;) {
        std::array<char, 260> buffer;
        buffer.fill('#');
        const float result = entry("GetFile")(nullptr, 0.0, buffer.data());
        if (result != 0.0f) {
            EXPECT_EQ(result, -3.0f);
            EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '#'; }))
                << "the end of the listing wrote into the buffer";
            break;
        }
        const std::size_t length = strnlen(buffer.data(), buffer.size());
        ASSERT_LT(length, buffer.size());
        EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(length) + 1,
                                buffer.end(), [](char c) { return c == '#'; }))
            << "written past the name: " << buffer.data();
    }
}

TEST_F(FolderListing, OpeningAgainStartsTheNewFolderFromItsFirstEntry) {
    ScratchFolder first;
    ScratchFolder second;
    make_entries(first.path, {"one.txt", "two.txt"});
    make_entries(second.path, {"three.txt"});
    ASSERT_EQ(call("OpenFolder", first.path.string().c_str(), 0.0, ""), 0.0f);
    std::string name;
    ASSERT_EQ(get_file(name), 0.0f);
    EXPECT_EQ(list_through_exports(second.path.string()), listing_of({"three.txt"}));
}

TEST_F(FolderListing, FailedOpenLeavesTheCursorEmpty) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"file.txt"});
    const std::string folder = scratch.path.string();
    const std::string file = scratch.file("file.txt");
    const std::string missing = scratch.file("missing");
    for (const char *bad :
         {missing.c_str(), file.c_str(), "", static_cast<const char *>(nullptr)}) {
        const char *shown = bad != nullptr ? bad : "(null)";
        ASSERT_EQ(call("OpenFolder", folder.c_str(), 0.0, ""), 0.0f);
        std::string name;
        ASSERT_EQ(get_file(name), 0.0f);
        EXPECT_EQ(call("OpenFolder", bad, 0.0, ""), -1.0f) << shown;
        EXPECT_EQ(get_file(name), -1.0f) << shown;
        EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), -1.0f) << shown;
    }
}

TEST_F(FolderListing, TrailingSeparatorsNameTheSameFolder) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"mesh.ply", "sub/"});
    const std::string folder = scratch.path.string();
    const Names expected = listing_of({"mesh.ply", "sub"});
    EXPECT_EQ(list_through_exports(folder), expected);
    EXPECT_EQ(list_through_exports(folder + "/"), expected);
    EXPECT_EQ(list_through_exports(folder + char(std::filesystem::path::preferred_separator)),
              expected);
}

TEST_F(FolderListing, RelativePathIsResolvedWhenTheFolderIsOpened) {
    ScratchFolder first;
    ScratchFolder second;
    make_entries(first.path, {"sub/"});
    make_entries(first.path / "sub", {"first.txt"});
    make_entries(second.path, {"sub/"});
    make_entries(second.path / "sub", {"second.txt"});
    CurrentFolderGuard restore;

    std::filesystem::current_path(first.path);
    ASSERT_EQ(call("OpenFolder", "sub", 0.0, ""), 0.0f);
    std::filesystem::current_path(second.path);  // the same relative path now names another
    float last = 0.0f;
    EXPECT_EQ(sorted(read_remaining(last)), listing_of({"first.txt"}));
    EXPECT_EQ(last, -3.0f);
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f);

    EXPECT_EQ(list_through_exports("."), listing_of({"sub"}));
    EXPECT_EQ(list_through_exports("sub/.."), listing_of({"sub"}));
}

TEST_F(FolderListing, FolderTextsOf260CharactersOrMoreAreRefused) {
    ScratchFolder scratch;
    const PaddedFolder fits = make_padded_folder(scratch.path, 259);
    make_entries(fits.folder, {"mesh.ply"});
    EXPECT_EQ(list_through_exports(fits.text), listing_of({"mesh.ply"}));
    for (const std::size_t length : {260u, 261u, 1000u}) {
        ScratchFolder other;
        const PaddedFolder too_long = make_padded_folder(other.path, length);
        EXPECT_EQ(call("OpenFolder", too_long.text.c_str(), 0.0, ""), -1.0f) << length;
        std::string name;
        EXPECT_EQ(get_file(name), -1.0f) << length;
    }
}

TEST_F(FolderListing, NameTheLocaleCannotCarryDoesNotEndTheListing) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"a.txt", "z.txt"});
    write_bytes(scratch.path / std::filesystem::path(u8"\u7f51\u683c.ply"), "");
    // Handed out as it is, by a short name, or as "?", depending on the platform: the entry
    // is there, and so is everything after it.
    const Names names = list_through_exports(scratch.path.string());
    EXPECT_EQ(names.size(), 5u);
    for (const char *expected : {".", "..", "a.txt", "z.txt"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    }
}

}  // namespace
}  // namespace tolvane::test
