// `tolvane info FILE.ply` predicts what PLYImport returns and says why: the prediction must be
// what the import then returns, for files that go every way the import can go.
#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <vector>

#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"
#include "support/programs.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

const std::string kXyz = "property float x\nproperty float y\nproperty float z\n";
const std::string kFaces = "element face 1\nproperty list uchar int vertex_indices\n";
const std::string kThreeVertices = "element vertex 3\n" + kXyz;
const std::string kCorners = "0 0 0\n1 0 0\n0 1 0\n";

std::string ascii(const std::string &declarations, const std::string &body) {
    return ply_file("ascii", declarations, body);
}

std::string big_endian_triangle() {
    PackedBytes body{true, {}};
    for (const float value : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f})
        body.put(value);
    body.put<std::uint8_t>(3).put<std::int32_t>(0).put<std::int32_t>(1).put<std::int32_t>(2);
    return ply_file("binary_big_endian", kThreeVertices + kFaces, body.bytes);
}

std::optional<float> verdict(const std::string &text) {
    const std::string label = "PLYImport would return ";
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return std::nullopt;
    float result = 0.0f;
    const char *begin = text.data() + at + label.size();
    if (std::from_chars(begin, text.data() + text.size(), result).ec != std::errc()) {
        return std::nullopt;
    }
    return result;
}

TEST(PlyInfo, PredictsWhatTheImportReturnsAndWhy) {
    if (stand_in_host().empty()) GTEST_SKIP() << "the stand-in host is not built beside the tests";
    const struct {
        const char *name;
        std::optional<std::string> bytes;  // none: the file does not exist
        std::vector<const char *> told;
        const char *file_name = "in.ply";
        bool folder = false;  // the path names a folder
    } cases[] = {
        {"ascii triangle",
         ascii(kThreeVertices + "property uchar red\nproperty uchar green\nproperty uchar blue\n" +
                   kFaces,
               "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n"),
         {"PLY, ASCII", "x, y, z of element vertex: 3 vertices",
          "red (uchar), green (uchar), blue (uchar): 3 colours", "1 triangle and 0 quads"}},
        {"named neither way", big_endian_triangle(), {"PLY, binary big-endian"}, "mesh"},
        {"CR LF header",
         "ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nproperty float x\r\nproperty float y\r\n"
         "property float z\r\nelement face 1\r\nproperty list uchar int vertex_indices\r\n"
         "end_header\r\n" +
             kCorners + "4 0 1 2 2\n",
         {"0 triangles and 1 quad"}},
        {"z, y, x",
         ascii("element vertex 3\nproperty float z\nproperty float y\nproperty float x\n" + kFaces,
               kCorners + "3 0 1 2\n"),
         {"the host takes z as x, y as y, x as z"}},
        {"no z",
         ascii("element vertex 3\nproperty float x\nproperty float y\n" + kFaces,
               "0 0\n1 0\n0 1\n3 0 1 2\n"),
         {"no z: 2 values per vertex", "2 vertices for the host",
          "face index lies outside the host's vertices (0 to 1)"}},
        {"float colours",
         ascii(kThreeVertices + "property float red\n" + kFaces,
               "0 0 0 0.5\n1 0 0 1\n0 1 0 0\n3 0 1 2\n"),
         {"red is float and every value lies in 0..1", "no green: it counts as 0"}},
        {"wide colours",
         ascii(kThreeVertices + "property int red\nproperty double blue\n" + kFaces,
               "0 0 0 300 7\n1 0 0 -1 2.5\n0 1 0 5 3\n3 0 1 2\n"),
         {"2 of 3 red values do not arrive", "(the first, 300, arrives as 44)",
          "1 of 3 blue values"}},
        {"no red",
         ascii(kThreeVertices + "property uchar diffuse_red\nproperty uchar green\n" + kFaces,
               "0 0 0 1 2\n1 0 0 1 2\n0 1 0 1 2\n3 0 1 2\n"),
         {"no red (green and blue are taken only with red)",
          "it has diffuse_red, which the import does not read"}},
        {"indices outside",
         ascii(kThreeVertices + "element face 2\nproperty list uchar int vertex_indices\n",
               kCorners + "3 0 1 3\n4 -1 0 1 2\n"),
         {"2 face indices lie outside the host's vertices (0 to 2); the lowest is -1",
          "the highest 3"}},
        {"mixed faces",
         ascii(kThreeVertices +
                   "property float nx\nelement face 3\nproperty list uchar int vertex_indices\n"
                   "element edge 0\nproperty int a\n",
               "0 0 0 1\n1 0 0 1\n0 1 0 1\n5 0 1 2 0 1\n3 0 1 2\n2 0 1\n"),
         {"1 triangle and 0 quads", "2 faces left out", "1 with 2, 1 with 5 corners",
          "read past    nx of element vertex; element edge"}},
        {"only pentagons",
         ascii(kThreeVertices + kFaces, kCorners + "5 0 1 2 0 1\n"),
         {"no triangle or quad: see faces"}},
        {"another list name",
         ascii(kThreeVertices + "element face 1\nproperty list uchar int vertex_index\n",
               kCorners + "3 0 1 2\n"),
         {"it has vertex_index, which the import does not read"}},
        {"no faces", ascii(kThreeVertices, kCorners), {"the file has no element face"}},
        {"no coordinates",
         ascii("element vertex 1\nproperty float w\n" + kFaces, "1\n3 0 0 0\n"),
         {"element vertex has no x, y or z", "no vertex coordinate"}},
        {"bad header",
         "ply\nformat ascii 1.0\nelemnt vertex 3\nend_header\n",
         {"the PLY header is not valid", "PLY reader: "}},
        {"bad value", ascii(kThreeVertices + kFaces, "0 0 0\n1 0 zero\n"), {"PLY reader: "}},
        {"cut short",
         big_endian_triangle().substr(0, big_endian_triangle().size() - 5),
         {"PLY reader: "}},
        {"missing", std::nullopt, {"cannot be opened for reading", "PLY reader: "}},
        {"folder", std::nullopt, {"cannot be opened for reading"}, "in.ply", true},
        {"empty", "", {"the PLY header is not valid", "the file is empty", "PLY reader: "}},
        {"text", "solid cube\r\nfacet\n", {"its first line is \"solid cube\", where"}, "in.PLY"},
        {"interchange bytes", interchange_magic() + end_marker(), {"it is an interchange file"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string input = folder.file(c.file_name);
        if (c.bytes) write_bytes(input, *c.bytes);
        if (c.folder) std::filesystem::create_directory(input);
        const std::string before = listing(folder.path);
        const HostRun run = run_stand_in_host(folder, "info " + input);
        std::filesystem::remove(folder.path / "host-output.txt");
        EXPECT_EQ(listing(folder.path), before) << "info wrote a file";

        const std::optional<float> predicted = verdict(run.text);
        ASSERT_TRUE(predicted.has_value()) << run.text;
        EXPECT_EQ(*predicted, call("PLYImport", input.c_str(), 0.0, folder.file("out.vyn")))
            << run.text;
        EXPECT_EQ(run.succeeded(), *predicted == 0.0f) << run.text;
        for (const char *words : c.told) {
            EXPECT_NE(run.text.find(words), std::string::npos) << words << "\n" << run.text;
        }
    }
}

// Only a name that says neither PLY nor interchange leaves the kind to the file's first bytes.
TEST(PlyInfo, ANameEndingInVynOrNeitherIsExplainedAsInterchange) {
    if (stand_in_host().empty()) GTEST_SKIP() << "the stand-in host is not built beside the tests";
    const struct {
        const char *file_name;
        std::string bytes;
        const char *told;
    } cases[] = {
        {"mesh", interchange_magic() + end_marker(), "PLYExport would return -4"},
        {"mesh.VYN", big_endian_triangle(), "PLYExport would return "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file_name);
        ScratchFolder folder;
        write_bytes(folder.file(c.file_name), c.bytes);
        const HostRun run = run_stand_in_host(folder, "info " + folder.file(c.file_name));
        EXPECT_NE(run.text.find(c.told), std::string::npos) << run.text;
        EXPECT_EQ(run.text.find("PLYImport"), std::string::npos) << run.text;
    }
}

}  // namespace
}  // namespace tolvane::test
