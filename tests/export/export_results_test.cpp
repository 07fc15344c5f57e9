// Every result PLYExport gives, and what each leaves at the output path: on any failure exactly
// what was there before, and no stray file beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "export/export_test_support.h"
#include "support/child_process.h"
#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"
#include "support/process_memory.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

constexpr char kPrevious[] = "a file the user had before";

void put_u32(std::string &bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

// Exports `input` over an existing file and checks that a failure left the folder as it was.
float export_over_existing(const std::string &input, double value = 0.0) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), input);
    write_bytes(folder.file("out.ply"), kPrevious);
    const float result = export_file(folder.file("in.vyn"), value, folder.file("out.ply"));
    EXPECT_EQ(listing(folder.path), "in.vyn\nout.ply\n");
    if (result != 0.0f) {
        EXPECT_EQ(read_bytes(folder.file("out.ply")), kPrevious);
    }
    return result;
}

// With no file at the output path, a failure creates none.
float export_to_new(const std::string &input) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), input);
    const float result = export_file(folder.file("in.vyn"), 0.0, folder.file("out.ply"));
    if (result != 0.0f) {
        EXPECT_EQ(listing(folder.path), "in.vyn\n");
    }
    return result;
}

TEST(ExportResults, NullTextOrBufferIsRefusedBeforeAnythingIsTouched) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), worked_triangle());
    std::string output = folder.file("out.ply");
    output.resize(260, '\0');
    EXPECT_EQ(entry("PLYExport")(nullptr, 0.0, output.data()), -1.0f);
    EXPECT_EQ(entry("PLYExport")(folder.file("in.vyn").c_str(), 0.0, nullptr), -1.0f);
    EXPECT_EQ(listing(folder.path), "in.vyn\n");
}

TEST(ExportResults, MissingInputGivesMinus1760) {
    ScratchFolder folder;
    EXPECT_EQ(export_file(folder.file("absent.vyn"), 0.0, folder.file("out.ply")), -1760.0f);
    EXPECT_EQ(export_file(folder.path.string(), 0.0, folder.file("out.ply")), -1760.0f);
    EXPECT_EQ(listing(folder.path), "");
}

TEST(ExportResults, ChunkOfAnotherKindGivesItsTag) {
    const std::string magic = interchange_magic();
    const std::string v = vertex_chunk({0, 0, 0}), c = colour_chunk({1, 2, 3});
    const std::string f = face_chunk({0, 0, 0, -1});
    // The order the interchange writer itself produces.
    EXPECT_EQ(export_over_existing(magic + v + f + c + end_marker()), 20001.0f);
    EXPECT_EQ(export_over_existing(magic + v + f + end_marker()), 20001.0f);
    EXPECT_EQ(export_over_existing(magic + c + v + f + end_marker()), 35001.0f);
    EXPECT_EQ(export_over_existing(magic + v + c + c + end_marker()), 35001.0f);
    EXPECT_EQ(export_over_existing(magic + chunk_header(12345, 16, 0) + end_marker()), 12345.0f);
}

// Reported as its tag, 0, the end marker would read as success.
TEST(ExportResults, EndMarkerWhereAChunkBelongsGivesMinus4) {
    const std::string magic = interchange_magic();
    const std::string v = vertex_chunk({0, 0, 0}), c = colour_chunk({1, 2, 3});
    EXPECT_EQ(export_over_existing(magic + end_marker()), -4.0f);
    EXPECT_EQ(export_over_existing(magic + v + end_marker()), -4.0f);
    EXPECT_EQ(export_over_existing(magic + v + c + end_marker()), -4.0f);
    EXPECT_EQ(export_to_new(magic + v + c + end_marker()), -4.0f);
}

TEST(ExportResults, ColourCountOtherThanVertexCountGivesMinus56) {
    const std::string magic = interchange_magic();
    const std::string v = vertex_chunk({0, 0, 0, 1, 0, 0});
    const std::string f = face_chunk({0, 1, 0, -1});
    EXPECT_EQ(export_over_existing(magic + v + colour_chunk({1, 2, 3}) + f + end_marker()), -56.0f);
    EXPECT_EQ(export_over_existing(magic + v + colour_chunk({1, 2, 3, 1, 2, 3, 1, 2, 3}) + f +
                                   end_marker()),
              -56.0f);
}

// Cut anywhere before the end of its face records, the worked triangle ends early; the end
// marker is never needed.
TEST(ExportResults, EveryCutBeforeTheLastFaceByteGivesMinus3) {
    const std::string whole = worked_triangle();
    for (std::size_t length = 0; length < 144; ++length) {
        EXPECT_EQ(export_to_new(whole.substr(0, length)), -3.0f) << "cut at " << length;
    }
    EXPECT_EQ(export_to_new(whole.substr(0, 144)), 0.0f);
}

// Sizes and counts that would carry a read outside the file, before its start included.
TEST(ExportResults, HeaderValuesLeadingOutsideTheFileGiveMinus3) {
    const std::string whole = worked_triangle();
    const struct {
        std::size_t field;
        std::uint32_t value;
    } cases[] = {
        {36, 0x7fffffff},  // vertex chunk size: the colour chunk far past the end
        {36, 0x80000000},  // the most negative size: the colour chunk before the file's start
        {36, 0xffffffc0},  // -64: before the start
        {40, 0xffffffff},  // vertex count, with a colour count to match
        {88, 0x7fffffff},  // colour chunk size: the stored face count past the end
        {88, 0x80000000}, {116, 0x7fffffff},  // face chunk size
        {116, 64},                            // records past the end marker
    };
    for (const auto &c : cases) {
        std::string input = whole;
        put_u32(input, c.field, c.value);
        if (c.field == 40) put_u32(input, 92, c.value);
        EXPECT_EQ(export_over_existing(input), -3.0f) << "field " << c.field << " = " << c.value;
    }
}

TEST(ExportResults, CoordinateThatIsNotFiniteGivesMinus7) {
    for (const float bad :
         {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
          std::numeric_limits<float>::quiet_NaN()}) {
        for (std::size_t value = 0; value < 9; ++value) {
            std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
            xyz[value] = bad;
            const std::string input =
                host_file(xyz, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {0, 1, 2, -1});
            EXPECT_EQ(export_over_existing(input, 1.0), -7.0f) << "value " << value;
        }
    }
    // Among many thousands of values: early, in the middle, last.
    const std::vector<std::uint8_t> rgb(3 * 30000, 7);
    for (const std::size_t value : {1500, 40000, 89999}) {
        std::vector<float> xyz(3 * 30000, 0.5f);
        xyz[value] = std::numeric_limits<float>::quiet_NaN();
        EXPECT_EQ(export_over_existing(host_file(xyz, rgb, {0, 1, 2, -1}), 0.0), -7.0f)
            << "value " << value;
    }
}

TEST(ExportResults, OutputThatCannotBeCreatedGivesPlus1) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), worked_triangle());
    std::filesystem::create_directory(folder.path / "a folder");
    EXPECT_EQ(export_file(folder.file("in.vyn"), 0.0, folder.file("missing/out.ply")), 1.0f);
    EXPECT_EQ(export_file(folder.file("in.vyn"), 1.0, folder.file("a folder")), 1.0f);
    EXPECT_EQ(listing(folder.path), "a folder\nin.vyn\n");
    EXPECT_EQ(listing(folder.path / "a folder"), "");
}

// The input is read a block at a time while the output is written: the output may take the
// input's own path, and a coordinate found in a late block still leaves that path as it was,
// whatever else would have failed.
TEST(ExportResults, InputReadByBlocksCanBeItsOwnOutput) {
    ScratchFolder folder;
    constexpr int kVertices = 200000;
    std::vector<float> xyz(3 * kVertices, 0.5f);
    const std::vector<std::uint8_t> rgb(3 * kVertices, 9);
    const std::vector<std::int32_t> quad = {0, 1, 2, 3};
    write_bytes(folder.file("in.vyn"), host_file(xyz, rgb, quad));
    ASSERT_EQ(export_file(folder.file("in.vyn"), 3.0, folder.file("apart.ply")), 0.0f);
    ASSERT_EQ(export_file(folder.file("in.vyn"), 3.0, folder.file("in.vyn")), 0.0f);
    EXPECT_EQ(read_bytes(folder.file("in.vyn")), read_bytes(folder.file("apart.ply")));

    xyz.back() = std::numeric_limits<float>::infinity();
    const std::string late_infinity = host_file(xyz, rgb, quad);
    write_bytes(folder.file("in.vyn"), late_infinity);
    EXPECT_EQ(export_file(folder.file("in.vyn"), 0.0, folder.file("in.vyn")), -7.0f);
    EXPECT_EQ(export_file(folder.file("in.vyn"), 1.0, folder.file("missing/out.ply")), -7.0f);
    EXPECT_EQ(read_bytes(folder.file("in.vyn")), late_infinity);
    EXPECT_EQ(listing(folder.path), "apart.ply\nin.vyn\n");
}

TEST(ExportResults, SuccessReplacesAnExistingFileWhole) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), worked_triangle());
    write_bytes(folder.file("out.ply"), std::string(4096, 'z'));
    ASSERT_EQ(export_file(folder.file("in.vyn"), 0.0, folder.file("out.ply")), 0.0f);
    EXPECT_EQ(read_bytes(folder.file("out.ply")),
              ply_header("ascii", 3, 1) + "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n");
    EXPECT_EQ(listing(folder.path), "in.vyn\nout.ply\n");
}

// A disk that fills up anywhere in the file: near its start, across a block boundary of the
// buffered output, and just before its end.
TEST(ExportResults, FullDiskGivesMinus100AndKeepsThePreviousFile) {
    if (!can_run_in_child()) GTEST_SKIP() << "no per-process file size limit on this platform";
    ScratchFolder folder;
    std::vector<float> xyz;
    std::vector<std::uint8_t> rgb;
    std::vector<std::int32_t> faces;
    for (std::int32_t k = 0; k < 60000; ++k) {
        xyz.insert(xyz.end(), {k * 0.001f, k * 0.25f, -k * 3.5f});
        rgb.insert(rgb.end(), {static_cast<std::uint8_t>(k), 7, 200});
        faces.insert(faces.end(), {k, (k + 1) % 60000, (k + 2) % 60000, k % 3 == 0 ? k : -1});
    }
    write_bytes(folder.file("in.vyn"), host_file(xyz, rgb, faces));
    ASSERT_EQ(export_file(folder.file("in.vyn"), 0.0, folder.file("full.ply")), 0.0f);
    const std::uint64_t full_size = std::filesystem::file_size(folder.path / "full.ply");
    ASSERT_GT(full_size, 2u << 20);
    write_bytes(folder.file("out.ply"), kPrevious);
    for (const std::uint64_t limit :
         {std::uint64_t{64}, std::uint64_t{1} << 20, (std::uint64_t{3} << 19) + 5, full_size - 1}) {
        const int code = run_with_file_size_limit(limit, [&] {
            return export_file(folder.file("in.vyn"), 0.0, folder.file("out.ply")) == -100.0f ? 0
                                                                                              : 1;
        });
        EXPECT_EQ(code, 0) << "limit " << limit;
        EXPECT_EQ(read_bytes(folder.file("out.ply")), kPrevious);
        EXPECT_EQ(listing(folder.path), "full.ply\nin.vyn\nout.ply\n");
    }
}

// The sanitizers reserve terabytes of address space up front, so no memory limit fits them.
constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// The export reads its input by blocks: an input larger than all the memory the process may
// still take converts to the same bytes as without the limit.
TEST(ExportResults, InputLargerThanTheMemoryLeftConverts) {
    if (!can_run_in_child() || kAddressSanitizer) GTEST_SKIP() << "no address space limit here";
    ScratchFolder folder;
    constexpr std::int32_t kVertices = 1 << 20;
    std::vector<float> xyz(3 * kVertices);
    std::vector<std::uint8_t> rgb(3 * kVertices, 77);
    std::vector<std::int32_t> faces(4 * kVertices);
    for (std::int32_t k = 0; k < kVertices; ++k) {
        xyz[3 * k] = static_cast<float>(k);
        faces[4 * k] = k;
        faces[4 * k + 3] = k % 2 == 0 ? -1 : k;
    }
    write_bytes(folder.file("in.vyn"), host_file(xyz, rgb, faces));
    ASSERT_EQ(export_file(folder.file("in.vyn"), 3.0, folder.file("free.ply")), 0.0f);
    constexpr std::uint64_t kMemoryLeft = 16u << 20;
    ASSERT_GT(std::filesystem::file_size(folder.path / "in.vyn"), 2 * kMemoryLeft);
    plugin();  // loaded before the limit is taken, so that only the call counts
    const int code = run_with_memory_limit(address_space_in_use() + kMemoryLeft, [&] {
        return export_file(folder.file("in.vyn"), 3.0, folder.file("limited.ply")) == 0.0f ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(read_bytes(folder.file("limited.ply")), read_bytes(folder.file("free.ply")));
}

// Whatever the header bytes hold, the export answers with one of its results (a tag found is a
// whole number of 0 or more), reads nothing outside the file and writes only on success.
TEST(ExportResults, AnyHeaderValueGivesADefinedResult) {
    const std::string whole = worked_triangle();
    const std::size_t header_fields[] = {32, 36, 40, 84, 88, 92, 112, 116, 120, 144, 148};
    const float failures[] = {-3.0f, -4.0f, -7.0f, -56.0f};
    for (const std::size_t field : header_fields) {
        for (const std::uint32_t value : {0u, 1u, 16u, 0x7fffffffu, 0x80000000u, 0xffffffffu}) {
            std::string input = whole;
            put_u32(input, field, value);
            const float result = export_to_new(input);
            const bool defined =
                std::find(std::begin(failures), std::end(failures), result) != std::end(failures) ||
                (result >= 0.0f && result == std::floor(result));
            EXPECT_TRUE(defined) << "field " << field << " = " << value << " gave " << result;
        }
    }
}

}  // namespace
}  // namespace tolvane::test
