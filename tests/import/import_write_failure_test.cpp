// A disk that fills up while the interchange file is written: the user's file must survive.
#include <gtest/gtest.h>

#include "import_test_support.h"
#include "support/child_process.h"

namespace tolvane::test {
namespace {

TEST(ImportWriteFailure, AFullDiskGivesMinusSixAndKeepsTheOldOutput) {
    if (!can_run_in_child()) GTEST_SKIP() << "needs a child process with a file size limit";
    ScratchFolder folder;
    // Large enough that the interchange file cannot fit under the limit below, and that its
    // vertices go out while the faces are still being read (in pieces of 65,536 vertices).
    std::string body;
    const int vertices = 70000;
    for (int i = 0; i < vertices; ++i) body += std::to_string(i) + " 0 0\n";
    for (int i = 0; i + 2 < vertices; ++i) {
        body += "3 " + std::to_string(i) + " " + std::to_string(i + 1) + " " +
                std::to_string(i + 2) + "\n";
    }
    write_bytes(folder.file("in.ply"),
                ply_file("ascii",
                         "element vertex " + std::to_string(vertices) +
                             "\nproperty float x\nproperty float y\nproperty float z\n"
                             "element face " + std::to_string(vertices - 2) +
                             "\nproperty list uchar int vertex_indices\n",
                         body));
    const std::string previous(100000, 'p');
    write_bytes(folder.file("out.vyn"), previous);
    plugin();  // loaded before the limit, so that the child only converts

    const int code = run_with_file_size_limit(64 * 1024, [&] {
        const float result = import_file(folder.file("in.ply"), folder.file("out.vyn"));
        return result == -6.0f ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(read_bytes(folder.file("out.vyn")), previous);
    EXPECT_EQ(listing(folder.path), "in.ply\nout.vyn\n");
}

}  // namespace
}  // namespace tolvane::test
