// Paths of ten megabytes to every export that takes one: each is refused with its plain failure
// and touches nothing.
#include <gtest/gtest.h>

#include <string>

#include "hostile_files.h"
#include "support/plugin_fixture.h"

namespace tolvane::test {
namespace {

TEST(HostileTexts, TenMegabytePathsAreRefused) {
    ScratchFolder folder;
    write_bytes(folder.file("mesh.ply"), triangle_ply("ascii"));
    write_bytes(folder.file("mesh.vyn"), host_triangle());
    const std::string huge = folder.file(std::string(10 << 20, 'a') + ".x");
    const std::string ply = folder.file("mesh.ply"), vyn = folder.file("mesh.vyn");
    const struct {
        const char *name;
        const std::string &text, &buffer;
        float expected;
    } calls[] = {
        {"PLYImport", huge, folder.file("out.vyn"), -1.0f},
        {"PLYImport", ply, huge, -5.0f},
        {"PLYExport", huge, folder.file("out.ply"), -1760.0f},
        {"PLYExport", vyn, huge, 1.0f},
        {"OpenFolder", huge, "", -1.0f},
        {"EmptyFolder", huge, "", -1.0f},
        {"FileDelete", huge, "", -1.0f},
        {"FileRename", ply, huge, -1.0f},
        {"FileRename", huge, ply, -1.0f},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(std::string(c.name) + (&c.text == &huge ? " (huge text)" : " (huge buffer)"));
        EXPECT_EQ(call(c.name, c.text.c_str(), 0, c.buffer), c.expected);
        EXPECT_EQ(listing(folder.path), "mesh.ply\nmesh.vyn\n");
    }
    // The refused OpenFolder left no folder open.
    EXPECT_EQ(call("GetFile", nullptr, 0, ""), -1.0f);
}

}  // namespace
}  // namespace tolvane::test
