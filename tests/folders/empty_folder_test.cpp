// EmptyFolder: which entries go, which stay, and what it leaves of the folder cursor.
#include <gtest/gtest.h>

#include <algorithm>

#include "folders/folder_test_support.h"

namespace tolvane::test {
namespace {

using EmptyingFolder = FolderTest;

float empty_folder(const std::string &folder) {
    return call("EmptyFolder", folder.c_str(), 0.0, "");
}

TEST_F(EmptyingFolder, DeletesEveryDottedFileWhateverTheListingOrder) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"a.txt", "b", "c.d.e", "sub.dir/", ".hidden", "README"});
    // Enough dotted files that any rule going by position rather than by name would spare some.
    for (int i = 0; i < 40; ++i) make_entries(scratch.path, {"mesh" + std::to_string(i) + ".ply"});
    EXPECT_EQ(empty_folder(scratch.path.string()), 0.0f);
    EXPECT_EQ(listing(scratch.path), "README\nb\nsub.dir\n");
}

TEST_F(EmptyingFolder, NeverDeletesOrEntersAFolder) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"empty.dir/", "full.dir/", "plain/", "gone.txt"});
    make_entries(scratch.path / "full.dir", {"inner.txt"});
    make_entries(scratch.path / "plain", {"inner.txt"});
    EXPECT_EQ(empty_folder(scratch.path.string()), 0.0f);
    EXPECT_EQ(listing(scratch.path), "empty.dir\nfull.dir\nplain\n");
    EXPECT_EQ(listing(scratch.path / "full.dir"), "inner.txt\n");
    EXPECT_EQ(listing(scratch.path / "plain"), "inner.txt\n");
}

TEST_F(EmptyingFolder, SucceedsWhenEveryDeleteFails) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"a.dir/", "b.dir/"});
    EXPECT_EQ(empty_folder(scratch.path.string()), 0.0f);
    EXPECT_EQ(listing(scratch.path), "a.dir\nb.dir\n");
}

TEST_F(EmptyingFolder, TrailingSeparatorMakesNoDifference) {
    const std::string separator(1, char(std::filesystem::path::preferred_separator));
    for (const std::string &ending : {std::string(), std::string("/"), separator}) {
        ScratchFolder scratch;
        make_entries(scratch.path, {"a.txt", "keep"});
        EXPECT_EQ(empty_folder(scratch.path.string() + ending), 0.0f) << "'" << ending << "'";
        EXPECT_EQ(listing(scratch.path), "keep\n") << "'" << ending << "'";
    }
}

TEST_F(EmptyingFolder, RelativeFolderIsTheCurrentFolders) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"sub/"});
    make_entries(scratch.path / "sub", {"a.txt", "keep"});
    CurrentFolderGuard restore;
    std::filesystem::current_path(scratch.path);
    EXPECT_EQ(empty_folder("sub"), 0.0f);
    EXPECT_EQ(listing(scratch.path / "sub"), "keep\n");
}

TEST_F(EmptyingFolder, WhatIsNoFolderGivesMinusOneAndDeletesNothing) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"a.txt"});
    EXPECT_EQ(empty_folder(scratch.file("missing")), -1.0f);
    EXPECT_EQ(empty_folder(scratch.file("a.txt")), -1.0f);
    EXPECT_EQ(empty_folder(""), -1.0f);
    EXPECT_EQ(call("EmptyFolder", nullptr, 0.0, ""), -1.0f);
    EXPECT_EQ(listing(scratch.path), "a.txt\n");
}

TEST_F(EmptyingFolder, FolderTextIsLimitedOnceItsSeparatorIsAdded) {
    // 258 characters and a separator still fit; 259 and a separator do not.
    ScratchFolder scratch;
    const PaddedFolder too_long = make_padded_folder(scratch.path, 259);
    make_entries(too_long.folder, {"a.txt"});
    EXPECT_EQ(empty_folder(too_long.text), -1.0f);
    EXPECT_EQ(listing(too_long.folder), "a.txt\n");

    ScratchFolder other;
    const PaddedFolder fits = make_padded_folder(other.path, 258);
    EXPECT_EQ(empty_folder(fits.text), 0.0f);
}

TEST_F(EmptyingFolder, AnEntryPathIsNeverCutShort) {
    // A folder text of 257 characters whose last part holds a dot. Cut at 255 characters, the
    // path of any entry in it would name the file "<...>.a" beside the folder.
    ScratchFolder scratch;
    const std::size_t room = 257 - scratch.path.string().size() - 1;
    ASSERT_GT(room, 5u) << "the scratch folder's own path is too long";
    const std::string stem(room - 4, 'f');
    const std::filesystem::path folder = scratch.path / (stem + ".abc");
    const std::filesystem::path bystander = scratch.path / (stem + ".a");
    ASSERT_EQ(folder.string().size(), 257u);
    std::filesystem::create_directory(folder);
    write_bytes(bystander, "not in the emptied folder");
    write_bytes(folder / "mesh.ply", "");

    EXPECT_EQ(empty_folder(folder.string()), 0.0f);
    // Whether the platform could take the entry's whole path or left the entry alone, nothing
    // outside the folder was touched.
    EXPECT_EQ(read_bytes(bystander), "not in the emptied folder");
}

TEST_F(EmptyingFolder, LeavesAnOpenListingOfTheSameFolderRunning) {
    ScratchFolder scratch;
    const Names before = {"a.txt", "b.txt", "c.txt", "d.txt", "keep", "more"};
    make_entries(scratch.path, before);
    const std::string folder = scratch.path.string();
    ASSERT_EQ(call("OpenFolder", folder.c_str(), 0.0, ""), 0.0f);
    std::string first;
    std::string second;
    ASSERT_EQ(get_file(first), 0.0f);
    ASSERT_EQ(get_file(second), 0.0f);

    EXPECT_EQ(empty_folder(folder), 0.0f);
    EXPECT_EQ(listing(scratch.path), "keep\nmore\n");

    // The listing goes on to its end; whether it still names the deleted files is the
    // platform's affair, but it names nothing that was never there.
    float last = 0.0f;
    Names rest = read_remaining(last);
    EXPECT_EQ(last, -3.0f);
    rest.push_back(first);
    rest.push_back(second);
    const Names possible = listing_of(before);
    for (const std::string &name : rest) {
        EXPECT_NE(std::find(possible.begin(), possible.end(), name), possible.end()) << name;
    }
    for (const char *kept : {"keep", "more", ".", ".."}) {
        EXPECT_NE(std::find(rest.begin(), rest.end(), kept), rest.end()) << kept;
    }
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f);
}

}  // namespace
}  // namespace tolvane::test
