// FileDelete and FileRename: one file at a time, never a folder deleted, never a name replaced.
#include <gtest/gtest.h>

#include <vector>

#include "folders/folder_test_support.h"

namespace tolvane::test {
namespace {

float file_delete(const std::string &path) {
    return call("FileDelete", path.c_str(), 0.0, "");
}

// The new path goes in the buffer, which FileRename must leave as it found it.
float file_rename(const std::string &current_path, const std::string &new_path) {
    std::vector<char> buffer(std::max<std::size_t>(260, new_path.size() + 1), '\0');
    std::copy(new_path.begin(), new_path.end(), buffer.begin());
    const std::vector<char> before = buffer;
    const float result = entry("FileRename")(current_path.c_str(), 0.0, buffer.data());
    EXPECT_EQ(buffer, before) << "FileRename wrote into its buffer";
    return result;
}

TEST(FileDelete, DeletesAFile) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"mesh.ply", "other"});
    EXPECT_EQ(file_delete(scratch.file("mesh.ply")), 0.0f);
    EXPECT_EQ(listing(scratch.path), "other\n");
    EXPECT_EQ(file_delete(scratch.file("other")), 0.0f);
    EXPECT_EQ(listing(scratch.path), "");
}

TEST(FileDelete, NeverDeletesAFolderEvenAnEmptyOne) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"empty/", "empty.dir/", "full/"});
    make_entries(scratch.path / "full", {"inner.txt"});
    for (const char *folder : {"empty", "empty.dir", "full"}) {
        EXPECT_EQ(file_delete(scratch.file(folder)), -1.0f) << folder;
    }
    EXPECT_EQ(listing(scratch.path), "empty\nempty.dir\nfull\n");
    EXPECT_EQ(listing(scratch.path / "full"), "inner.txt\n");
}

TEST(FileDelete, MissingOrNullPathGivesMinusOne) {
    ScratchFolder scratch;
    EXPECT_EQ(file_delete(scratch.file("missing.ply")), -1.0f);
    EXPECT_EQ(file_delete(""), -1.0f);
    EXPECT_EQ(call("FileDelete", nullptr, 0.0, ""), -1.0f);
}

TEST(FileRename, RenamesAFileKeepingItsContent) {
    ScratchFolder scratch;
    write_bytes(scratch.file("old.ply"), "mesh bytes");
    EXPECT_EQ(file_rename(scratch.file("old.ply"), scratch.file("new.ply")), 0.0f);
    EXPECT_EQ(listing(scratch.path), "new.ply\n");
    EXPECT_EQ(read_bytes(scratch.file("new.ply")), "mesh bytes");
}

TEST(FileRename, MovesAFileIntoAnotherFolder) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"sub/"});
    write_bytes(scratch.file("mesh.ply"), "mesh bytes");
    EXPECT_EQ(file_rename(scratch.file("mesh.ply"), (scratch.path / "sub" / "mesh.ply").string()),
              0.0f);
    EXPECT_EQ(read_bytes(scratch.path / "sub" / "mesh.ply"), "mesh bytes");
    EXPECT_EQ(listing(scratch.path), "sub\n");
}

TEST(FileRename, RenamesAFolderInPlace) {
    ScratchFolder scratch;
    make_entries(scratch.path, {"before/"});
    make_entries(scratch.path / "before", {"inner.txt"});
    EXPECT_EQ(file_rename(scratch.file("before"), scratch.file("after")), 0.0f);
    EXPECT_EQ(listing(scratch.path), "after\n");
    EXPECT_EQ(listing(scratch.path / "after"), "inner.txt\n");
}

TEST(FileRename, NeverReplacesWhatIsAlreadyThere) {
    ScratchFolder scratch;
    write_bytes(scratch.file("a.ply"), "first");
    write_bytes(scratch.file("b.ply"), "second");
    make_entries(scratch.path, {"empty/", "other/"});

    EXPECT_EQ(file_rename(scratch.file("a.ply"), scratch.file("b.ply")), -1.0f);
    EXPECT_EQ(file_rename(scratch.file("a.ply"), scratch.file("empty")), -1.0f);
    EXPECT_EQ(file_rename(scratch.file("other"), scratch.file("empty")), -1.0f);
    EXPECT_EQ(file_rename(scratch.file("other"), scratch.file("b.ply")), -1.0f);

    EXPECT_EQ(listing(scratch.path), "a.ply\nb.ply\nempty\nother\n");
    EXPECT_EQ(read_bytes(scratch.file("a.ply")), "first");
    EXPECT_EQ(read_bytes(scratch.file("b.ply")), "second");
}

TEST(FileRename, IdenticalPathsGiveMinusOneAndTouchNothing) {
    ScratchFolder scratch;
    write_bytes(scratch.file("mesh.ply"), "mesh bytes");
    EXPECT_EQ(file_rename(scratch.file("mesh.ply"), scratch.file("mesh.ply")), -1.0f);
    EXPECT_EQ(read_bytes(scratch.file("mesh.ply")), "mesh bytes");
    EXPECT_EQ(listing(scratch.path), "mesh.ply\n");
}

TEST(FileRename, PathsDifferingOnlyInCaseAreRenamed) {
    ScratchFolder scratch;
    write_bytes(scratch.file("mesh.ply"), "mesh bytes");
    EXPECT_EQ(file_rename(scratch.file("mesh.ply"), scratch.file("MESH.PLY")), 0.0f);
    // Where names ignore case, whether the listing shows the new spelling is the file
    // system's affair; the file is one, and reachable by its new name.
    EXPECT_EQ(read_bytes(scratch.file("MESH.PLY")), "mesh bytes");
    const std::string listed = listing(scratch.path);
    EXPECT_TRUE(listed == "MESH.PLY\n" || listed == "mesh.ply\n") << listed;
}

TEST(FileRename, MissingSourceOrNullArgumentGivesMinusOne) {
    ScratchFolder scratch;
    write_bytes(scratch.file("mesh.ply"), "mesh bytes");
    EXPECT_EQ(file_rename(scratch.file("missing.ply"), scratch.file("new.ply")), -1.0f);
    EXPECT_EQ(file_rename(scratch.file("mesh.ply"), scratch.file("no-such-folder/new.ply")), -1.0f);
    const std::string path = scratch.file("mesh.ply");
    std::vector<char> buffer(260, '\0');
    EXPECT_EQ(entry("FileRename")(nullptr, 0.0, buffer.data()), -1.0f);
    EXPECT_EQ(entry("FileRename")(path.c_str(), 0.0, nullptr), -1.0f);
    EXPECT_EQ(listing(scratch.path), "mesh.ply\n");
}

}  // namespace
}  // namespace tolvane::test
