// What the export writes: header, vertex records, face records, in both storage modes and under
// every option code.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "export/export_test_support.h"
#include "support/mesh_bytes.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

using Faces = std::vector<std::vector<std::int32_t>>;

// The PLY file for the given vertices and (already split or kept) faces.
std::string expected_ply(bool binary, const std::vector<float> &xyz,
                         const std::vector<std::uint8_t> &rgb, const Faces &faces) {
    std::string body;
    PackedBytes packed;
    for (std::size_t k = 0; k < xyz.size() / 3; ++k) {
        for (int axis = 0; axis < 3; ++axis) {
            const float value = xyz[3 * k + static_cast<std::size_t>(axis)];
            char digits[32];
            body.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
            body += ' ';
            packed.put(value);
        }
        for (int channel = 0; channel < 3; ++channel) {
            const std::uint8_t value = rgb[3 * k + static_cast<std::size_t>(channel)];
            body += std::to_string(value) + (channel < 2 ? " " : "\n");
            packed.put(value);
        }
    }
    for (const auto &face : faces) {
        body += std::to_string(face.size());
        packed.put(static_cast<std::uint8_t>(face.size()));
        for (const std::int32_t index : face) {
            body += ' ' + std::to_string(index);
            packed.put(index);
        }
        body += '\n';
    }
    return ply_header(binary ? "binary_little_endian" : "ascii", xyz.size() / 3, faces.size()) +
           (binary ? packed.bytes : body);
}

struct Exported {
    float result;
    std::string ply;
};

Exported export_bytes(const std::string &interchange, double value) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), interchange);
    const float result = export_file(folder.file("in.vyn"), value, folder.file("out.ply"));
    const std::string out = folder.file("out.ply");
    return {result, exists(out) ? read_bytes(out) : ""};
}

TEST(ExportFormat, WorkedTriangleAsAsciiText) {
    const Exported out = export_bytes(worked_triangle(), 0.0);
    ASSERT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.ply,
              "ply\n"
              "format ascii 1.0\n"
              "comment PLY export from HALVEX 2Q5\n"
              "comment file name\n"
              "element vertex 3\n"
              "property float x\n"
              "property float y\n"
              "property float z\n"
              "property uchar red\n"
              "property uchar green\n"
              "property uchar blue\n"
              "element face 1\n"
              "property list uchar int vertex_indices\n"
              "end_header\n"
              "0 0 0 255 0 0\n"
              "1 0 0 0 255 0\n"
              "0 1 0 0 0 255\n"
              "3 0 1 2\n");
}

TEST(ExportFormat, WorkedTriangleAsBinaryBytes) {
    const Exported out = export_bytes(worked_triangle(), 1.0);
    ASSERT_EQ(out.result, 0.0f);
    const std::string body(
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        "\xff\x00\x00"
        "\x00\x00\x80\x3f"
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        "\x00\xff\x00"
        "\x00\x00\x00\x00"
        "\x00\x00\x80\x3f"
        "\x00\x00\x00\x00"
        "\x00\x00\xff"
        "\x03"
        "\x00\x00\x00\x00"
        "\x01\x00\x00\x00"
        "\x02\x00\x00\x00",
        3 * 15 + 13);
    EXPECT_EQ(out.ply, ply_header("binary_little_endian", 3, 1) + body);
}

struct OptionCase {
    double value;
    bool binary;
    bool split;
};

void PrintTo(const OptionCase &option, std::ostream *out) {
    *out << "value " << option.value;
}

class ExportOptionCode : public testing::TestWithParam<OptionCase> {};

// Only the exact values 1, 2 and 3 set flags; everything else is the plain ASCII export.
TEST_P(ExportOptionCode, SelectsStorageAndQuadSplit) {
    const OptionCase option = GetParam();
    const Exported out = export_bytes(single_quad(), option.value);
    ASSERT_EQ(out.result, 0.0f);
    const Faces faces = option.split ? Faces{{0, 1, 2}, {2, 3, 0}} : Faces{{0, 1, 2, 3}};
    EXPECT_EQ(out.ply, expected_ply(option.binary, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0},
                                    {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, faces));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ExportOptionCode,
    testing::Values(OptionCase{0.0, false, false}, OptionCase{1.0, true, false},
                    OptionCase{2.0, false, true}, OptionCase{3.0, true, true},
                    OptionCase{1.5, false, false}, OptionCase{-1.0, false, false},
                    OptionCase{4.0, false, false},
                    OptionCase{std::numeric_limits<double>::quiet_NaN(), false, false},
                    OptionCase{std::nextafter(1.0, 2.0), false, false}));

const std::vector<float> kSquare = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
const std::vector<std::uint8_t> kGrey(12, 128);

// Any negative fourth index marks a triangle; 0 is a quad's last corner like any other.
TEST(ExportFaces, SplitTurnsEachQuadIntoTwoTrianglesSharingTheDiagonalAC) {
    const std::string input =
        host_file(kSquare, kGrey, {0, 1, 2, 3, 0, 2, 3, -1, 1, 2, 3, -7, 3, 2, 1, 0});
    const Exported kept = export_bytes(input, 0.0);
    ASSERT_EQ(kept.result, 0.0f);
    EXPECT_EQ(kept.ply, expected_ply(false, kSquare, kGrey,
                                     {{0, 1, 2, 3}, {0, 2, 3}, {1, 2, 3}, {3, 2, 1, 0}}));
    const Exported split = export_bytes(input, 3.0);
    ASSERT_EQ(split.result, 0.0f);
    EXPECT_EQ(split.ply,
              expected_ply(true, kSquare, kGrey,
                           {{0, 1, 2}, {2, 3, 0}, {0, 2, 3}, {1, 2, 3}, {3, 2, 1}, {1, 0, 3}}));
}

TEST(ExportFaces, IndicesPassThroughAsStored) {
    const Exported out = export_bytes(host_file(kSquare, kGrey, {-5, 99, 2, -1}), 0.0);
    ASSERT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.ply, expected_ply(false, kSquare, kGrey, {{-5, 99, 2}}));
}

// The face element declares the faces written, whatever count the host stored beside them.
TEST(ExportFaces, HeaderCountsTheRecordsTheChunkHolds) {
    const std::string vertices_and_colours =
        interchange_magic() + vertex_chunk(kSquare) + colour_chunk(kGrey);
    const struct {
        std::int32_t size;
        std::uint32_t stored_count;
        std::vector<std::int32_t> records;
        Faces faces;
    } cases[] = {
        {32, 5, {0, 1, 2, -1}, {{0, 1, 2}}},
        {48, 0, {0, 1, 2, -1, 0, 2, 3, -1}, {{0, 1, 2}, {0, 2, 3}}},
        {16, 3, {}, {}},
        {0, 1, {}, {}},
        {-20, 1, {}, {}},
    };
    for (const auto &c : cases) {
        PackedBytes records;
        for (const std::int32_t index : c.records) records.put(index);
        const Exported out =
            export_bytes(vertices_and_colours + chunk_header(20001, c.size, c.stored_count) +
                             records.bytes + end_marker(),
                         0.0);
        ASSERT_EQ(out.result, 0.0f) << "face chunk size " << c.size;
        EXPECT_EQ(out.ply, expected_ply(false, kSquare, kGrey, c.faces)) << "size " << c.size;
    }
}

TEST(ExportVertices, ColourEntryIsBlueGreenRedAndItsFourthByteIsIgnored) {
    std::string input = host_file({0.5f, -2, 1e-3f}, {0, 0, 0}, {0, 0, 0, -1});
    const std::size_t entry = 32 + 28 + 16;
    input.replace(entry, 4, "\x10\x20\x30\x40");
    const Exported out = export_bytes(input, 0.0);
    ASSERT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.ply, expected_ply(false, {0.5f, -2, 1e-3f}, {48, 32, 16}, {{0, 0, 0}}));
}

TEST(ExportVertices, EmptyMeshGivesCountsOfZeroAndNoBody) {
    const std::string input = interchange_magic() + vertex_chunk({}) + colour_chunk({}) +
                              chunk_header(20001, 16, 0) + end_marker();
    for (const double value : {0.0, 1.0}) {
        const Exported out = export_bytes(input, value);
        ASSERT_EQ(out.result, 0.0f);
        EXPECT_EQ(out.ply, ply_header(value == 1.0 ? "binary_little_endian" : "ascii", 0, 0));
    }
}

// Hosts differ in what they write before the first chunk, and a file may end after its faces.
TEST(ExportInput, MagicIsNotComparedAndNothingAfterTheFacesIsRead) {
    std::string input = worked_triangle();
    input.replace(0, 32, std::string(32, 'x'));
    input.resize(input.size() - 16);
    const Exported out = export_bytes(input, 0.0);
    EXPECT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.ply, export_bytes(worked_triangle(), 0.0).ply);
}

// A mesh as its parts, for the interchange file and the PLY file expected of it.
struct MeshParts {
    std::vector<float> xyz;
    std::vector<std::uint8_t> rgb;
    std::vector<std::int32_t> abcd;  // d < 0: a triangle

    std::string interchange(bool with_end_marker = true) const {
        return interchange_magic() + vertex_chunk(xyz) + colour_chunk(rgb) + face_chunk(abcd) +
               (with_end_marker ? end_marker() : "");
    }
    Faces faces(bool split) const {
        Faces out;
        for (std::size_t i = 0; i < abcd.size(); i += 4) {
            const std::int32_t a = abcd[i], b = abcd[i + 1], c = abcd[i + 2], d = abcd[i + 3];
            if (d < 0) {
                out.push_back({a, b, c});
            } else if (split) {
                out.insert(out.end(), {{a, b, c}, {c, d, a}});
            } else {
                out.push_back({a, b, c, d});
            }
        }
        return out;
    }
};

// `vertices` vertices and `faces` faces, triangles and quads in turn. An interchange file of
// it holds 80 + 16 x (vertices + faces) bytes without its end marker.
MeshParts mesh_of(std::size_t vertices, std::size_t faces) {
    MeshParts mesh;
    for (std::size_t k = 0; k < vertices; ++k) {
        mesh.xyz.insert(mesh.xyz.end(), {static_cast<float>(k / 2), k % 2 + 0.5f, -0.125f});
        mesh.rgb.insert(mesh.rgb.end(), {static_cast<std::uint8_t>(k), 7, 200});
    }
    for (std::size_t i = 0; i < faces; ++i) {
        const auto a = static_cast<std::int32_t>(i % (vertices - 3));
        mesh.abcd.insert(mesh.abcd.end(), {a, a + 1, a + 2, i % 2 ? a + 3 : -1});
    }
    return mesh;
}

TEST(ExportInput, OutputMayReplaceTheInputItself) {
    // Over 1 MiB, so that systems which map large inputs rather than read them do.
    const MeshParts large = mesh_of(70'000, 35'000);
    for (const double value : {0.0, 3.0}) {
        const bool binary_split = value == 3.0;
        const std::string small_input = worked_triangle();
        const std::string large_input = large.interchange();
        const std::string small_expected = export_bytes(small_input, value).ply;
        const std::string large_expected =
            expected_ply(binary_split, large.xyz, large.rgb, large.faces(binary_split));
        for (const auto &[input, expected] :
             {std::pair{&small_input, &small_expected}, std::pair{&large_input, &large_expected}}) {
            ScratchFolder folder;
            const std::string path = folder.file("mesh");
            write_bytes(path, *input);
            ASSERT_EQ(export_file(path, value, path), 0.0f) << input->size() << " bytes";
            EXPECT_TRUE(read_bytes(path) == *expected) << input->size() << " bytes, " << value;
            EXPECT_EQ(listing(folder.path), "mesh\n");
        }
    }
}

// Files of 1 MiB and either side of it, ending right after their last face record: whether a
// system maps such an input or reads it, every byte up to the last one is taken.
TEST(ExportInput, InputsAroundOneMebibyteAreReadToTheirLastByte) {
    for (const std::size_t faces : {25'530u, 25'531u, 25'532u}) {
        const MeshParts mesh = mesh_of(40'000, faces);
        const std::string input = mesh.interchange(false);
        const Exported out = export_bytes(input, 1.0);
        ASSERT_EQ(out.result, 0.0f) << input.size() << " bytes";
        EXPECT_TRUE(out.ply == expected_ply(true, mesh.xyz, mesh.rgb, mesh.faces(false)))
            << input.size() << " bytes";
    }
}

}  // namespace
}  // namespace tolvane::test
