// PLY files built to make the import allocate without bound, read outside its data or take
// forever. Each must end in its plain negative result, leave no output file, and stay within
// the memory bound of bounded_call.h.
#include <gtest/gtest.h>

#include <string>

#include "hostile_files.h"
#include "support/mesh_bytes.h"

namespace tolvane::test {
namespace {

const std::string kFormats[] = {"ascii", "binary_little_endian", "binary_big_endian"};

std::string few_bytes(const std::string &format) {
    return format == "ascii" ? "0 0 0\n1 2" : std::string("\x01\x02\x03\x04\x05\x06\x07", 7);
}

// Counts the header may declare: the import may take them as limits, never as sizes to
// allocate up front.
TEST(HostileImport, HugeElementCountsFollowedByAFewBytesEndEarly) {
    const struct {
        const char *count;
        float expected;
    } cases[] = {
        {"2147483648", -3.0f},           // 2^31
        {"4294967295", -3.0f},           // 2^32 - 1
        {"9223372036854775807", -3.0f},  // the largest count a header can hold
        {"9223372036854775808", -2.0f},  // one more: no count at all
    };
    for (const std::string &format : kFormats) {
        for (const auto &c : cases) {
            SCOPED_TRACE(format + " " + c.count);
            const std::string declarations =
                std::string("element vertex ") + c.count +
                "\nproperty float x\nproperty float y\nproperty float z\n"
                "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                "element face " +
                c.count + "\nproperty list uchar int vertex_indices\n";
            const HostileRun run =
                import_hostile(ply_file(format, declarations, few_bytes(format)));
            EXPECT_EQ(run.result, c.expected);
            EXPECT_EQ(run.left, "in.ply\n");
        }
    }
}

std::string faces_of_255(int faces, bool binary) {
    PackedBytes body;
    std::string text;
    for (int f = 0; f < faces; ++f) {
        body.put<std::uint8_t>(255);
        text += "255";
        for (int i = 0; i < 255; ++i) {
            body.put<std::int32_t>(i % 3);
            text += i % 3 == 0 ? " 0" : i % 3 == 1 ? " 1" : " 2";
        }
        text += "\n";
    }
    return binary ? body.bytes : text;
}

// No list of 255 is a triangle or a quad: the whole file is read and nothing is kept.
TEST(HostileImport, ListsOf255OnEveryFaceAreReadPastAndLeaveNothingToWrite) {
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "ascii");
        const std::string vertices = binary ? std::string(36, '\0') : "0 0 0\n1 0 0\n0 1 0\n";
        const std::string complete =
            ply_file(binary ? "binary_little_endian" : "ascii",
                     "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                     "element face 2000\nproperty list uchar int vertex_indices\n",
                     vertices + faces_of_255(2000, binary));
        HostileRun run = import_hostile(complete);
        EXPECT_EQ(run.result, -4.0f);
        EXPECT_EQ(run.left, "in.ply\n");

        // The same lists under a count of 2^31 faces, of which three are there.
        const std::string cut =
            ply_file(binary ? "binary_little_endian" : "ascii",
                     "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                     "element face 2147483648\nproperty list uchar int vertex_indices\n",
                     vertices + faces_of_255(3, binary));
        run = import_hostile(cut);
        EXPECT_EQ(run.result, -3.0f);
        EXPECT_EQ(run.left, "in.ply\n");
    }
}

// A list length is a count of values still to come, not a size to reserve.
TEST(HostileImport, ListLengthsOfTwoTo32EndEarly) {
    PackedBytes body;
    body.put(0.0f).put(0.0f).put(0.0f).put<std::uint32_t>(0xffffffffu).put<std::int32_t>(0);
    const HostileRun run =
        import_hostile(ply_file("binary_little_endian",
                                "element vertex 1\nproperty float x\nproperty float y\n"
                                "property float z\nelement face 1\n"
                                "property list uint int vertex_indices\n",
                                body.bytes));
    EXPECT_EQ(run.result, -3.0f);
    EXPECT_EQ(run.left, "in.ply\n");

    const HostileRun ascii = import_hostile(
        ply_file("ascii",
                 "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
                 "element face 1\nproperty list uint int vertex_indices\n",
                 "0 0 0\n4294967295 0 1 2\n"));
    EXPECT_EQ(ascii.result, -3.0f);
    EXPECT_EQ(ascii.left, "in.ply\n");
}

// Header lines have no length limit: a 10 MB comment is a comment, 10 MB of anything else is
// a bad header, and neither costs more than the line itself.
TEST(HostileImport, TenMegabyteHeaderLines) {
    const std::string ten_mb(10 << 20, 'w');
    const std::string triangle = triangle_ply("ascii");
    const std::size_t after_format = triangle.find("element");

    std::string long_comment = triangle;
    long_comment.insert(after_format, "comment " + ten_mb + "\n");
    HostileRun run = import_hostile(long_comment);
    EXPECT_EQ(run.result, 0.0f);
    EXPECT_EQ(run.left, "in.ply\nout.vyn\n");

    std::string long_word = triangle;
    long_word.insert(after_format, ten_mb + "\n");
    run = import_hostile(long_word);
    EXPECT_EQ(run.result, -2.0f);
    EXPECT_EQ(run.left, "in.ply\n");

    // The file ends inside the line: no line end at all.
    run = import_hostile("ply\nformat ascii 1.0\ncomment " + ten_mb);
    EXPECT_EQ(run.result, -2.0f);
    EXPECT_EQ(run.left, "in.ply\n");

    // Ten megabytes of blanks and one line end fewer than a header needs.
    run = import_hostile("ply\n" + std::string(10 << 20, ' ') + "\n");
    EXPECT_EQ(run.result, -2.0f);
    EXPECT_EQ(run.left, "in.ply\n");
}

// Cut anywhere, a binary file ends in the header (-2) or in the data (-3), never in an output.
TEST(HostileImport, BinaryFileCutAtEveryOffset) {
    for (const std::string format : {"binary_little_endian", "binary_big_endian"}) {
        const std::string whole = triangle_ply(format);
        const std::size_t header_end = whole.find("end_header") + std::string("end_header").size();
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            SCOPED_TRACE(format + " cut at " + std::to_string(cut));
            const HostileRun run = import_hostile(whole.substr(0, cut), false);
            EXPECT_EQ(run.result, cut < header_end ? -2.0f : -3.0f);
            EXPECT_EQ(run.left, "in.ply\n");
        }
        const HostileRun run = import_hostile(whole, false);
        EXPECT_EQ(run.result, 0.0f);
        EXPECT_EQ(run.left, "in.ply\nout.vyn\n");
    }
}

}  // namespace
}  // namespace tolvane::test
