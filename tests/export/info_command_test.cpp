// `tolvane info` tells a script author what PLYExport would give for a file: it must agree with
// the export itself, and survive any bytes.
#include <gtest/gtest.h>

#include <charconv>
#include <limits>
#include <random>

#include "export/export_test_support.h"
#include "support/mesh_bytes.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

struct InfoRun {
    int status = -1;
    std::string text;
    bool has_verdict = false;
    float verdict = 0.0f;
};

InfoRun run_info(const ScratchFolder &folder, const std::string &input) {
    InfoRun run;
    const HostRun host = run_stand_in_host(folder, "info " + input);
    run.status = host.status;
    run.text = host.text;
    const std::string label = "PLYExport would return ";
    const std::size_t at = run.text.find(label);
    if (at != std::string::npos) {
        const char *begin = run.text.data() + at + label.size();
        run.has_verdict =
            std::from_chars(begin, run.text.data() + run.text.size(), run.verdict).ec ==
            std::errc();
    }
    return run;
}

TEST(InfoCommand, VerdictAgreesWithTheExport) {
    if (stand_in_host().empty()) GTEST_SKIP() << "the stand-in host is not built beside the tests";
    const std::string magic = interchange_magic();
    const std::string v = vertex_chunk({0, 0, 0}), c = colour_chunk({1, 2, 3});
    const std::string f = face_chunk({0, 0, 0, -1});
    std::string huge_face_size = magic + v + c + chunk_header(20001, 0x7fffffff, 1);
    // 3,000 vertices, one coordinate (by its place among all 9,000) not a number: the check runs
    // over blocks of values, and the vertex named must be the first bad one wherever it lies.
    const auto one_bad_value = [](std::size_t value) {
        std::vector<float> xyz(9000, 0.5f);
        xyz[value] = std::numeric_limits<float>::quiet_NaN();
        xyz[8999] = std::numeric_limits<float>::infinity();
        return host_file(xyz, std::vector<std::uint8_t>(9000, 7), {0, 1, 2, -1, 0, 1, 2, 3});
    };
    const struct {
        const char *name;
        std::string bytes;
        const char *explanation;
    } cases[] = {
        {"host order", worked_triangle(), "1 triangle"},
        {"writer order", magic + v + f + c + end_marker(), "writer's order"},
        {"no colours", magic + v + f + end_marker(), "no colour chunk"},
        {"no faces", magic + v + c + end_marker(), "end marker"},
        {"colour count", magic + v + colour_chunk({1, 2, 3, 4, 5, 6}) + f, "2 entries for 1"},
        {"cut short", worked_triangle().substr(0, 100), "ends early"},
        {"huge face chunk", huge_face_size, "ends early"},
        {"infinite",
         host_file({0, std::numeric_limits<float>::infinity(), 0}, {1, 2, 3}, {0, 0, 0, -1}),
         "Vertex 0"},
        {"empty", "", "ends early"},
        {"bad at 4095", one_bad_value(4095), "Vertex 1365 "},
        {"bad at 4096", one_bad_value(4096), "Vertex 1365 "},
        {"bad at 8191", one_bad_value(8191), "Vertex 2730 "},
        {"bad at 8999 only", one_bad_value(8999), "Vertex 2999 "},
        {"a quad",
         host_file({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, std::vector<std::uint8_t>(12, 7),
                   {0, 1, 2, -1, 0, 1, 3, 2}),
         "1 triangle, 1 quad"},
    };
    ScratchFolder folder;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(folder.file("in.vyn"), c.bytes);
        const InfoRun info = run_info(folder, folder.file("in.vyn"));
        ASSERT_TRUE(info.has_verdict) << info.text;
        EXPECT_EQ(info.verdict, export_file(folder.file("in.vyn"), 0.0, folder.file("out.ply")))
            << info.text;
        EXPECT_NE(info.text.find(c.explanation), std::string::npos) << info.text;
        EXPECT_EQ(info.status == 0, info.verdict == 0.0f) << info.text;
    }
}

// Sizes that are negative, zero or run past the end, and plain noise after the magic.
TEST(InfoCommand, SurvivesAnyBytes) {
    if (stand_in_host().empty()) GTEST_SKIP() << "the stand-in host is not built beside the tests";
    ScratchFolder folder;
    std::mt19937 random(20240611);
    std::vector<std::string> inputs = {
        interchange_magic() + chunk_header(10001, -16, 3) + end_marker(),
        interchange_magic() + chunk_header(10001, 0, 0) + end_marker(),
        interchange_magic() + chunk_header(77, 0x7fffffff, 0xffffffff),
        interchange_magic() + chunk_header(10001, 52, 3) + "short",
    };
    for (int i = 0; i < 4; ++i) {
        std::string noise = worked_triangle().substr(0, 32 + random() % 128);
        for (char &byte : noise) {
            if (random() % 8 == 0) byte = static_cast<char>(random());
        }
        inputs.push_back(noise);
    }
    for (const std::string &input : inputs) {
        write_bytes(folder.file("in.vyn"), input);
        const InfoRun info = run_info(folder, folder.file("in.vyn"));
        EXPECT_TRUE(info.has_verdict) << info.text;
        // Exit status 1 (a refused file) is 256 as a POSIX wait status, 1 on Windows.
        EXPECT_TRUE(info.status == 0 || info.status == 1 || info.status == 256)
            << "status " << info.status << ": " << info.text;
    }
}

}  // namespace
}  // namespace tolvane::test
