// Interchange files whose headers lie: chunk sizes that point past the end, are negative or
// overflow 32-bit arithmetic, and counts that claim 2^32 - 1 elements. The export must read
// nothing outside the file, allocate nothing the file cannot back, and create no PLY file
// unless it succeeds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "hostile_files.h"

namespace tolvane::test {
namespace {

struct Patch {
    const char *what;
    std::size_t offset;
    std::uint32_t value;
};

// Offsets in host_triangle(): S1 36, V 40, S2 88, colour count 92, S3 116, F0 120.
TEST(HostileExport, ChunkSizesOutsideTheFileEndEarly) {
    const Patch patches[] = {
        {"S1 far past the end", 36, 0x7fffffff},
        {"S1 with 32 + S1 past 2^31", 36, 0x7ffffff0},
        {"S1 leading before the file", 36, static_cast<std::uint32_t>(-33)},
        {"S1 the most negative", 36, 0x80000000},
        {"S2 far past the end", 88, 0x7fffffff},
        {"S2 the most negative", 88, 0x80000000},
        {"S3 far past the end", 116, 0x7fffffff},
        {"S3 whose record count rounds past 2^31", 116, 0x7ffffff8},
        {"S3 one record past the end", 116, 16 + 16 * 3},
    };
    for (const Patch &patch : patches) {
        SCOPED_TRACE(patch.what);
        std::string file = host_triangle();
        put_u32(file, patch.offset, patch.value);
        const HostileRun run = export_hostile(file);
        EXPECT_EQ(run.result, -3.0f);
        EXPECT_EQ(run.left, "in.vyn\n");
    }
}

// V scales by 12 and by 4 into positions: products that wrap in 32 bits must not come out small.
TEST(HostileExport, VertexCountsThatOverflowEndEarly) {
    for (const std::uint32_t count : {0xffffffffu, 0x15555556u, 0x40000001u, 0x80000000u}) {
        SCOPED_TRACE(count);
        std::string file = host_triangle();
        put_u32(file, 40, count);
        put_u32(file, 92, count);
        const HostileRun run = export_hostile(file);
        EXPECT_EQ(run.result, -3.0f);
        EXPECT_EQ(run.left, "in.vyn\n");
    }
}

TEST(HostileExport, ColourCountOfTwoTo32IsAMismatch) {
    std::string file = host_triangle();
    put_u32(file, 92, 0xffffffffu);
    const HostileRun run = export_hostile(file);
    EXPECT_EQ(run.result, -56.0f);
    EXPECT_EQ(run.left, "in.vyn\n");
}

// F0 is only a claim: the header declares the faces the file holds, so that header and body
// agree and nothing is sized from the claim.
TEST(HostileExport, FaceCountOfTwoTo32MinusOneDeclaresTheFacesThere) {
    std::string file = host_triangle();
    put_u32(file, 120, 0xffffffffu);
    std::string ply;
    const HostileRun run = export_hostile(file, true, &ply);
    EXPECT_EQ(run.result, 0.0f);
    EXPECT_EQ(run.left, "in.vyn\nout.ply\n");
    EXPECT_NE(ply.find("element face 1\n"), std::string::npos) << ply;
}

TEST(HostileExport, NegativeFaceChunkSizesHoldNoFaces) {
    for (const std::uint32_t size : {0xffffffffu, 0x80000000u, 0u}) {
        SCOPED_TRACE(size);
        std::string file = host_triangle();
        put_u32(file, 116, size);
        std::string ply;
        const HostileRun run = export_hostile(file, true, &ply);
        EXPECT_EQ(run.result, 0.0f);
        EXPECT_EQ(run.left, "in.vyn\nout.ply\n");
        EXPECT_NE(ply.find("element face 0\n"), std::string::npos) << ply;
    }
}

// Everything up to the end of the face records is read; the end marker is not.
TEST(HostileExport, FileCutAtEveryOffset) {
    const std::string whole = host_triangle();
    const std::size_t records_end = 144;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const HostileRun run = export_hostile(whole.substr(0, cut), false);
        if (cut < records_end) {
            EXPECT_EQ(run.result, -3.0f);
            EXPECT_EQ(run.left, "in.vyn\n");
        } else {
            EXPECT_EQ(run.result, 0.0f);
            EXPECT_EQ(run.left, "in.vyn\nout.ply\n");
        }
    }
}

}  // namespace
}  // namespace tolvane::test
