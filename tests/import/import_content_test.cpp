// What an import writes, byte for byte, for the meshes users bring.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "import_test_support.h"

namespace tolvane::test {
namespace {

std::string hex(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
        out += ' ';
    }
    return out;
}

TEST(ImportContent, ColouredTriangleIsExactlyTheDocumentedBytes) {
    std::string out;
    ASSERT_EQ(import_bytes(ascii_triangle_ply(), out), 0.0f);
    ASSERT_EQ(out.size(), 160u);
    EXPECT_EQ(out.substr(0, 32), "Vynb 1.0 Halvex Vyn Binary......");
    EXPECT_EQ(hex(out.substr(32, 16)), "11 27 00 00 34 00 00 00 03 00 00 00 00 00 00 00 ");
    EXPECT_EQ(hex(out.substr(60, 4)), "00 00 80 3F ");
    EXPECT_EQ(hex(out.substr(84, 16)), "21 4E 00 00 20 00 00 00 01 00 00 00 00 00 00 00 ");
    EXPECT_EQ(hex(out.substr(100, 16)), "00 00 00 00 01 00 00 00 02 00 00 00 FF FF FF FF ");
    EXPECT_EQ(hex(out.substr(116, 28)),
              "B9 88 00 00 1C 00 00 00 03 00 00 00 00 00 00 00 "
              "00 00 FF 00 00 FF 00 00 FF 00 00 00 ");
    EXPECT_EQ(out.substr(144), std::string(16, '\0'));
    EXPECT_EQ(out, expected_triangle_interchange());
}

TEST(ImportContent, WithoutColoursTheEndMarkerFollowsTheFaces) {
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 3\nproperty float x\nproperty float y\n"
                                    "property float z\nelement face 1\n"
                                    "property list uchar int vertex_indices\n",
                                    "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"),
                           out),
              0.0f);
    EXPECT_EQ(out, interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                       face_chunk({0, 1, 2, -1}) + end_marker());
    EXPECT_EQ(out.size(), 132u);
}

TEST(ImportContent, EveryStorageModeGivesTheSameFile) {
    for (const std::string &ply :
         {ascii_triangle_ply(), binary_triangle_ply(false), binary_triangle_ply(true)}) {
        std::string out;
        ASSERT_EQ(import_bytes(ply, out), 0.0f);
        EXPECT_EQ(out, expected_triangle_interchange());
    }
}

TEST(ImportContent, OnlyTrianglesAndQuadsAreKeptInFileOrder) {
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 5\nproperty float x\nproperty float y\n"
                                    "property float z\nelement face 6\n"
                                    "property list uchar int vertex_indices\n",
                                    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 2 0\n"
                                    "5 0 1 2 3 4\n3 0 1 2\n2 0 1\n4 0 1 2 3\n0\n3 4 9 7\n"),
                           out),
              0.0f);
    EXPECT_EQ(out, interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 2, 0}) +
                       face_chunk({0, 1, 2, -1, 0, 1, 2, 3, 4, 9, 7, -1}) + end_marker());
}

TEST(ImportContent, CoordinatesKeepTheDeclaredOrderAndCount) {
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 2\nproperty float z\nproperty float y\n"
                                    "property float x\nelement face 1\n"
                                    "property list uchar int vertex_indices\n",
                                    "3 2 1\n6 5 4\n3 0 1 1\n"),
                           out),
              0.0f);
    EXPECT_EQ(out, interchange_magic() + vertex_chunk({3, 2, 1, 6, 5, 4}) +
                       face_chunk({0, 1, 1, -1}) + end_marker());

    // Without z, two values a vertex: 3 vertices give 6 values and an element count of 2.
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 3\nproperty float x\nproperty float y\n"
                                    "element face 1\nproperty list uchar int vertex_indices\n",
                                    "1 2\n3 4\n5 6\n3 0 1 2\n"),
                           out),
              0.0f);
    const std::string vertices = out.substr(32, 16 + 24);
    EXPECT_EQ(vertices, chunk_header(10001, 40, 2) + vertex_chunk({1, 2, 3, 4, 5, 6}).substr(16));
}

TEST(ImportContent, ColourValuesAreTruncatedToTheirLowByte) {
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 3\nproperty float x\nproperty float y\n"
                                    "property float z\nproperty float red\nproperty int green\n"
                                    "property short blue\nelement face 1\n"
                                    "property list uchar int vertex_indices\n",
                                    "0 0 0 0.5 300 -1\n1 0 0 1.0 256 128\n0 1 0 255.9 -255 0\n"
                                    "3 0 1 2\n"),
                           out),
              0.0f);
    EXPECT_EQ(out.substr(out.size() - 16 - 12 - 16, 16 + 12),
              colour_chunk({0, 44, 255, 1, 0, 128, 255, 1, 0}));
}

TEST(ImportContent, MissingGreenOrBlueValuesCountAsZero) {
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 3\nproperty float x\nproperty float y\n"
                                    "property float z\nproperty uchar red\n"
                                    "element face 1\nproperty list uchar int vertex_indices\n",
                                    "0 0 0 10\n1 0 0 20\n0 1 0 30\n3 0 1 2\n"),
                           out),
              0.0f);
    EXPECT_EQ(out, interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                       face_chunk({0, 1, 2, -1}) + colour_chunk({10, 0, 0, 20, 0, 0, 30, 0, 0}) +
                       end_marker());

    // Green and blue without red: no colour chunk at all.
    ASSERT_EQ(import_bytes(ply_file("ascii",
                                    "element vertex 3\nproperty float x\nproperty float y\n"
                                    "property float z\nproperty uchar green\nproperty uchar blue\n"
                                    "element face 1\nproperty list uchar int vertex_indices\n",
                                    "0 0 0 1 2\n1 0 0 3 4\n0 1 0 5 6\n3 0 1 2\n"),
                           out),
              0.0f);
    EXPECT_EQ(out.size(), 132u);
}

TEST(ImportContent, IndicesFromAnyNumberTypeHaveADefinedValue) {
    // Float-typed lists can carry anything: NaN and infinities give 0, large values their low
    // 32 bits, fractions are truncated toward zero. Indices past the vertex count stay as given.
    PackedBytes body;
    body.put(0.0f).put(0.0f).put(0.0f);
    body.put<std::uint8_t>(3).put(std::numeric_limits<double>::quiet_NaN())
        .put(std::numeric_limits<double>::infinity()).put(3e9);
    body.put<std::uint8_t>(3).put(-1.5).put(4294967297.9).put(1e300);
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("binary_little_endian",
                                    "element vertex 1\nproperty float x\nproperty float y\n"
                                    "property float z\nelement face 2\n"
                                    "property list uchar double vertex_indices\n",
                                    body.bytes),
                           out),
              0.0f);
    EXPECT_EQ(out.substr(32 + 28), face_chunk({0, 0, -1294967296, -1, -1, 1, 0, -1}) + end_marker());
}

TEST(ImportContent, CoordinatesBeyondFloatRangeBecomeInfinite) {
    PackedBytes body;
    body.put(1e300).put(-1e300).put(std::numeric_limits<double>::quiet_NaN());
    body.put<std::uint8_t>(3).put<std::int32_t>(0).put<std::int32_t>(0).put<std::int32_t>(0);
    std::string out;
    ASSERT_EQ(import_bytes(ply_file("binary_little_endian",
                                    "element vertex 1\nproperty double x\nproperty double y\n"
                                    "property double z\nelement face 1\n"
                                    "property list uchar int vertex_indices\n",
                                    body.bytes),
                           out),
              0.0f);
    float xyz[3];
    std::memcpy(xyz, out.data() + 48, sizeof xyz);
    EXPECT_EQ(xyz[0], std::numeric_limits<float>::infinity());
    EXPECT_EQ(xyz[1], -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(xyz[2]));
}

// Files as other tools write them: extra properties and elements, other type names, CR LF
// headers, comments, obj_info, trailing blanks. Only what the header says is taken.
TEST(ImportContent, FilesFromOtherToolsImportAsTheirHeadersSay) {
    PackedBytes scanner;  // normals, texture coordinates, alpha, uint8/float32 type names
    scanner.put(0.0f).put(0.0f).put(0.0f).put(0.0f).put(0.0f).put(1.0f).put(0.25f).put(0.5f)
        .put<std::uint8_t>(255).put<std::uint8_t>(0).put<std::uint8_t>(0).put<std::uint8_t>(128);
    scanner.put(1.0f).put(0.0f).put(0.0f).put(0.0f).put(0.0f).put(1.0f).put(0.75f).put(0.5f)
        .put<std::uint8_t>(0).put<std::uint8_t>(255).put<std::uint8_t>(0).put<std::uint8_t>(128);
    scanner.put(0.0f).put(1.0f).put(0.0f).put(0.0f).put(0.0f).put(1.0f).put(0.25f).put(1.0f)
        .put<std::uint8_t>(0).put<std::uint8_t>(0).put<std::uint8_t>(255).put<std::uint8_t>(128);
    scanner.put<std::uint8_t>(3).put<std::uint32_t>(0).put<std::uint32_t>(1).put<std::uint32_t>(2);
    scanner.put<std::int32_t>(0).put<std::int32_t>(1);  // one edge
    const std::string scanner_header =
        "ply\r\nformat binary_little_endian 1.0\r\ncomment made by a scanner  \r\n"
        "obj_info resolution 0.1\r\nelement vertex 3\r\nproperty float32 x\r\n"
        "property float32 y \r\nproperty float32 z\r\nproperty float32 nx\r\n"
        "property float32 ny\r\nproperty float32 nz\r\nproperty float32 s\r\n"
        "property float32 t\r\nproperty uint8 red\r\nproperty uint8 green\r\n"
        "property uint8 blue\r\nproperty uint8 alpha\r\nelement face 1\r\n"
        "property list uint8 uint32 vertex_indices\r\nelement edge 1\r\n"
        "property int vertex1\r\nproperty int vertex2\r\nend_header\r\n";
    std::string out;
    ASSERT_EQ(import_bytes(scanner_header + scanner.bytes, out), 0.0f);
    EXPECT_EQ(out, expected_triangle_interchange());

    // Faces first, a material element, a face property besides the indices, tabs and spaces.
    const std::string ascii = ply_file(
        "ascii",
        "comment\tfaces declared first\nelement face 1\nproperty uchar flags\n"
        "property list uchar int vertex_indices\nproperty float quality\n"
        "element vertex 3\nproperty double x\nproperty double y\nproperty double z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element material 1\nproperty list int char name\n",
        "7 3 0 1 2 0.5\n 0 0 0\t255 0 0\n1 0 0 0 255 0\n\n0 1 0 0 0 255\n3 65 66 67\n");
    ASSERT_EQ(import_bytes(ascii, out), 0.0f);
    EXPECT_EQ(out, interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                       face_chunk({0, 1, 2, -1}) + colour_chunk({255, 0, 0, 0, 255, 0, 0, 0, 255}) +
                       end_marker());
}

}  // namespace
}  // namespace tolvane::test
