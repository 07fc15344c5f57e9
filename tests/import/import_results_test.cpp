// Every result of PLYImport, with what it leaves at the output path.
#include <gtest/gtest.h>

#include <filesystem>

#include "import_test_support.h"

namespace tolvane::test {
namespace {

const std::string kPrevious = "what the user had before";

struct ImportFolder {
    ScratchFolder folder;
    std::string input = folder.file("in.ply");
    std::string output = folder.file("out.vyn");

    explicit ImportFolder(const std::string &ply_bytes) {
        write_bytes(input, ply_bytes);
        write_bytes(output, kPrevious);
    }
    // The output as it was, and nothing left beside it.
    void expect_untouched() const {
        EXPECT_EQ(read_bytes(output), kPrevious);
        EXPECT_EQ(listing(folder.path), "in.ply\nout.vyn\n");
    }
};

TEST(ImportResults, NullArgumentsGiveMinusOneAndTouchNothing) {
    ImportFolder files(ascii_triangle_ply());
    const auto import = entry("PLYImport");
    std::vector<char> buffer(files.output.begin(), files.output.end());
    buffer.push_back('\0');
    EXPECT_EQ(import(nullptr, 0.0, buffer.data()), -1.0f);
    EXPECT_EQ(import(files.input.c_str(), 0.0, nullptr), -1.0f);
    EXPECT_EQ(import(nullptr, 0.0, nullptr), -1.0f);
    files.expect_untouched();
}

// A folder is no file to read, on any system (Linux would open one and fail only at the read).
TEST(ImportResults, UnreadableInputGivesMinusOne) {
    ImportFolder files(ascii_triangle_ply());
    EXPECT_EQ(import_file(files.folder.file("missing.ply"), files.output), -1.0f);
    EXPECT_EQ(import_file(files.folder.path.string(), files.output), -1.0f);
    files.expect_untouched();
}

TEST(ImportResults, BadHeaderGivesMinusTwo) {
    for (const std::string &bad :
         {std::string("not a ply file\n"), std::string("ply\nformat ascii 2.0\nend_header\n"),
          std::string("ply\nformat ascii 1.0\nelement vertex 1\nproperty float\n"),
          std::string("ply\nformat ascii 1.0\nbogus line\nend_header\n"),
          std::string("ply\nformat ascii 1.0\nelement vertex 3\n"), std::string()}) {
        ImportFolder files(bad);
        EXPECT_EQ(import_file(files.input, files.output), -2.0f) << bad;
        files.expect_untouched();
    }
}

TEST(ImportResults, BadDataGivesMinusThree) {
    const std::string complete = ascii_triangle_ply();
    for (const std::string &bad :
         {complete.substr(0, complete.size() - 3),  // ends inside the faces
          ply_file("ascii", kTriangleDeclarations, "0 0 0 255 0 0\n1 0 zero 0 255 0\n"),
          ply_file("ascii", kTriangleDeclarations, "0 0 0 256 0 0\n"),  // uchar out of range
          binary_triangle_ply(false).substr(0, binary_triangle_ply(false).size() - 1)}) {
        ImportFolder files(bad);
        EXPECT_EQ(import_file(files.input, files.output), -3.0f);
        files.expect_untouched();
    }
}

TEST(ImportResults, NothingToWriteGivesMinusFour) {
    const std::string no_faces = ply_file(
        "ascii", "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n",
        "1 2 3\n");
    const std::string other_list_name =
        ply_file("ascii",
                 "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                 "element face 1\nproperty list uchar int vertex_index\n",
                 "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    const std::string only_pentagons =
        ply_file("ascii",
                 "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
                 "element face 2\nproperty list uchar int vertex_indices\n",
                 "0 0 0\n5 0 0 0 0 0\n5 0 0 0 0 0\n");
    const std::string no_vertices = ply_file("ascii",
                                             "element vertex 0\nproperty float x\nelement face 1\n"
                                             "property list uchar int vertex_indices\n",
                                             "3 0 1 2\n");
    for (const std::string &empty : {no_faces, other_list_name, only_pentagons, no_vertices}) {
        ImportFolder files(empty);
        EXPECT_EQ(import_file(files.input, files.output), -4.0f);
        files.expect_untouched();
    }
}

TEST(ImportResults, OutputThatCannotBeCreatedGivesMinusFive) {
    ImportFolder files(ascii_triangle_ply());
    EXPECT_EQ(import_file(files.input, files.folder.file("no such folder/out.vyn")), -5.0f);
    // A folder in the output's place stays a folder.
    std::filesystem::create_directory(files.folder.path / "taken");
    EXPECT_EQ(import_file(files.input, files.folder.file("taken")), -5.0f);
    EXPECT_TRUE(std::filesystem::is_directory(files.folder.path / "taken"));
    std::filesystem::remove(files.folder.path / "taken");
    files.expect_untouched();
}

TEST(ImportResults, SuccessReplacesTheOutputAndLeavesNothingElse) {
    ImportFolder files(ascii_triangle_ply());
    EXPECT_EQ(import_file(files.input, files.output), 0.0f);
    EXPECT_EQ(read_bytes(files.output), expected_triangle_interchange());
    EXPECT_EQ(listing(files.folder.path), "in.ply\nout.vyn\n");
}

TEST(ImportResults, InputAndOutputMayNameTheSameFile) {
    ImportFolder files(binary_triangle_ply(true));
    EXPECT_EQ(import_file(files.input, files.input), 0.0f);
    EXPECT_EQ(read_bytes(files.input), expected_triangle_interchange());
}

TEST(ImportResults, AFailedImportLeavesNothingForTheNext) {
    // Each failure stops after some values were gathered; the next import must not see them.
    const std::string partly_read = ply_file("ascii", kTriangleDeclarations,
                                             "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1");
    const std::string without_faces =
        ply_file("ascii",
                 "element vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
                 "property uchar red\n",
                 "7 7 7 1\n8 8 8 2\n");
    std::string out;
    EXPECT_EQ(import_bytes(partly_read, out), -3.0f);
    EXPECT_EQ(import_bytes(ascii_triangle_ply(), out), 0.0f);
    EXPECT_EQ(out, expected_triangle_interchange());
    EXPECT_EQ(import_bytes(without_faces, out), -4.0f);
    EXPECT_EQ(import_bytes(ascii_triangle_ply(), out), 0.0f);
    EXPECT_EQ(out, expected_triangle_interchange());
    {
        ImportFolder files(ascii_triangle_ply());
        EXPECT_EQ(import_file(files.input, files.folder.file("missing/out.vyn")), -5.0f);
    }
    EXPECT_EQ(import_bytes(ascii_triangle_ply(), out), 0.0f);
    EXPECT_EQ(out, expected_triangle_interchange());
}

}  // namespace
}  // namespace tolvane::test
