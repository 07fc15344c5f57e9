// The export against the rest of the world: PLYImport reading back what it wrote, and an
// independent PLY reader opening it.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "export/export_test_support.h"
#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"
#include "support/process_memory.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

// Values whose shortest decimal form needs all nine digits, the extremes of the float range,
// a subnormal and a negative zero: any loss of precision in ASCII shows up here.
const std::vector<float> kPositions = {0.1f,
                                       -0.0f,
                                       std::numeric_limits<float>::denorm_min(),
                                       std::numeric_limits<float>::max(),
                                       -std::numeric_limits<float>::max(),
                                       std::numeric_limits<float>::min(),
                                       0.3f,
                                       123456.789f,
                                       -2.5e-10f,
                                       16777216.0f,
                                       1.0f / 3.0f,
                                       3.14159274f,
                                       -1.0f,
                                       1e30f,
                                       2.71828183f,
                                       7.0f,
                                       8.5f,
                                       -9.25f};
const std::vector<std::uint8_t> kColours = {0,  255, 128, 1,  2,  3,  254, 127, 64,
                                            10, 20,  30,  40, 50, 60, 70,  80,  90};
const std::vector<std::vector<std::int32_t>> kFaces = {
    {0, 1, 2, 3}, {3, 4, 5}, {5, 4, 1, 0}, {2, 2, 2}};

std::string source_ply() {
    PackedBytes body;
    for (std::size_t k = 0; k < kPositions.size() / 3; ++k) {
        body.put(kPositions[3 * k]).put(kPositions[3 * k + 1]).put(kPositions[3 * k + 2]);
        body.put(kColours[3 * k]).put(kColours[3 * k + 1]).put(kColours[3 * k + 2]);
    }
    for (const auto &face : kFaces) {
        body.put(static_cast<std::uint8_t>(face.size()));
        for (const std::int32_t index : face) body.put(index);
    }
    return ply_file("binary_little_endian",
                    "element vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
                    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                    "element face 4\nproperty list uchar int vertex_indices\n",
                    body.bytes);
}

// PLY -> interchange file -> the host's chunk order -> PLY -> interchange file again: both
// interchange files must be the same bytes, so positions, colours and faces all survived.
TEST(ExportRoundTrip, PositionsColoursAndFacesSurviveBothStorageModes) {
    ScratchFolder folder;
    write_bytes(folder.file("source.ply"), source_ply());
    ASSERT_EQ(call("PLYImport", folder.file("source.ply").c_str(), 0.0, folder.file("first.vyn")),
              0.0f);
    const std::string first = read_bytes(folder.file("first.vyn"));
    write_bytes(folder.file("host.vyn"), in_host_order(first));
    ASSERT_NE(read_bytes(folder.file("host.vyn")), first);  // the writer's order is not the host's

    for (const double value : {0.0, 1.0}) {
        SCOPED_TRACE(value == 0.0 ? "ascii" : "binary");
        ASSERT_EQ(export_file(folder.file("host.vyn"), value, folder.file("out.ply")), 0.0f);
        ASSERT_EQ(call("PLYImport", folder.file("out.ply").c_str(), 0.0, folder.file("second.vyn")),
                  0.0f);
        EXPECT_EQ(read_bytes(folder.file("second.vyn")), first);
    }
}

// A grid of `side` x `side` vertices with one triangle per cell, as binary PLY and as an
// interchange file in the host's order.
std::string grid_ply(int side) {
    PackedBytes body;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            body.put(static_cast<float>(x)).put(static_cast<float>(y)).put(0.5f);
            body.put(static_cast<std::uint8_t>(x))
                .put(static_cast<std::uint8_t>(y))
                .put(std::uint8_t{7});
        }
    }
    const int cells = (side - 1) * (side - 1);
    for (int c = 0; c < cells; ++c) {
        const std::int32_t a = c / (side - 1) * side + c % (side - 1);
        body.put(std::uint8_t{3}).put(a).put(a + 1).put(a + side);
    }
    return ply_file("binary_little_endian",
                    "element vertex " + std::to_string(side * side) +
                        "\nproperty float x\nproperty float y\nproperty float z\n"
                        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                        "element face " +
                        std::to_string(cells) + "\nproperty list uchar int vertex_indices\n",
                    body.bytes);
}

// The plug-in keeps nothing between calls: after converting a mesh of a million vertices both
// ways, the process holds what it held before, give or take the allocator's own slack.
TEST(ExportRoundTrip, ConversionsGiveTheirMemoryBack) {
    if (kFreedMemoryIsQuarantined) GTEST_SKIP() << "freed memory is held in a quarantine here";
    ScratchFolder folder;
    constexpr int kSide = 1000;
    {
        // Once small, so that code and runtime pages already count in the baseline.
        write_bytes(folder.file("small.ply"), source_ply());
        ASSERT_EQ(
            call("PLYImport", folder.file("small.ply").c_str(), 0.0, folder.file("small.vyn")),
            0.0f);
        write_bytes(folder.file("small_host.vyn"),
                    in_host_order(read_bytes(folder.file("small.vyn"))));
        ASSERT_EQ(export_file(folder.file("small_host.vyn"), 1.0, folder.file("small_out.ply")),
                  0.0f);
        write_bytes(folder.file("grid.ply"), grid_ply(kSide));
        ASSERT_EQ(call("PLYImport", folder.file("grid.ply").c_str(), 0.0, folder.file("grid.vyn")),
                  0.0f);
        write_bytes(folder.file("host.vyn"), in_host_order(read_bytes(folder.file("grid.vyn"))));
    }
    const std::uint64_t before = process_memory_bytes();
    ASSERT_GT(before, 0u) << "the process's memory cannot be read here";
    ASSERT_EQ(call("PLYImport", folder.file("grid.ply").c_str(), 0.0, folder.file("again.vyn")),
              0.0f);
    const std::uint64_t after_import = process_memory_bytes();
    // The export reads its input by blocks: while it runs it holds no more than a few of them.
    const std::uint64_t export_peak = peak_memory_during([&] {
        ASSERT_EQ(export_file(folder.file("host.vyn"), 1.0, folder.file("grid_out.ply")), 0.0f);
    });
    const std::uint64_t after_export = process_memory_bytes();
    std::printf(
        "process memory: %.1f MB before, %.1f MB after the import, %.1f MB at most during the "
        "export, %.1f MB after it\n",
        static_cast<double>(before) / 1e6, static_cast<double>(after_import) / 1e6,
        static_cast<double>(export_peak) / 1e6, static_cast<double>(after_export) / 1e6);
    constexpr std::uint64_t kSlack = 8u << 20;
    EXPECT_LE(after_import, before + kSlack);
    EXPECT_LE(export_peak, before + (16u << 20));
    EXPECT_LE(after_export, before + kSlack);
}

std::uint64_t count_after(const std::string &text, const std::string &label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return std::numeric_limits<std::uint64_t>::max();
    return std::stoull(text.substr(at + label.size()));
}

// The reader counts faces after splitting them into triangles: two quads and a triangle make
// five, however the file stores them.
TEST(ExportInterop, IndependentReaderOpensAsciiAndBinaryOutput) {
    const std::filesystem::path reader = find_on_path("assimp");
    if (reader.empty()) GTEST_SKIP() << "assimp is not on PATH";
    ScratchFolder folder;
    write_bytes(
        folder.file("in.vyn"),
        host_file({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0, 2, 1, 0},
                  std::vector<std::uint8_t>(18, 90), {0, 1, 2, 3, 1, 4, 5, 2, 0, 2, 3, -1}));
    for (const double value : {0.0, 1.0, 2.0, 3.0}) {
        SCOPED_TRACE(value);
        ASSERT_EQ(export_file(folder.file("in.vyn"), value, folder.file("out.ply")), 0.0f);
        std::string report;
        ASSERT_EQ(run_command(reader.string() + " info " + folder.file("out.ply"),
                              folder.path / "report.txt", report),
                  0)
            << report;
        EXPECT_EQ(count_after(report, "\nVertices:"), 6u) << report;
        EXPECT_EQ(count_after(report, "\nFaces:"), 5u) << report;
    }
}

}  // namespace
}  // namespace tolvane::test
