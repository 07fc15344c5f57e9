// Whole instances written from typed sources must give the bytes, results and messages that
// writing the same values one by one gives, refusals included.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bulk/bulk_differential.h"

namespace {

using tolvane::bulk::WriteElement;
using tolvane::bulk::WritePlan;
using tolvane::bulk::WriteProperty;

constexpr int kInt32 = 0, kUint8 = 1, kFloat32 = 2, kFloat64 = 3;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

WriteProperty scalar(const char *name, e_ply_type type, int source, std::vector<double> values) {
    return {name, type, false, PLY_UCHAR, source, std::move(values)};
}
WriteProperty list(const char *name, e_ply_type length_type, e_ply_type type, int source,
                   std::vector<double> values, int length_source = kFloat64) {
    return {name, type, true, length_type, source, std::move(values), length_source};
}

// The usual mesh, as the export writes it.
WriteElement vertices(long count) {
    WriteElement element{"vertex", count, {}};
    std::vector<double> xs, reds;
    for (long i = 0; i < count; ++i) {
        xs.push_back(
            std::ldexp(static_cast<double>(i % 977) - 488.3, static_cast<int>(i % 40) - 20));
        reds.push_back(static_cast<double>(i % 256));
    }
    for (const char *axis : {"x", "y", "z"})
        element.properties.push_back(scalar(axis, PLY_FLOAT, kFloat32, xs));
    for (const char *channel : {"red", "green", "blue"})
        element.properties.push_back(scalar(channel, PLY_UCHAR, kUint8, reds));
    return element;
}

WriteElement faces(long count) {
    std::vector<double> values;
    for (long i = 0; i < count; ++i) {
        const int n = 3 + static_cast<int>(i % 2);
        values.push_back(n);
        for (int k = 0; k < n; ++k) values.push_back(static_cast<double>(i * 7 + k - 3));
    }
    WriteProperty indices = list("vertex_indices", PLY_UCHAR, PLY_INT, kInt32, values);
    indices.length_source_type = kUint8;  // as the export hands them over
    return {"face", count, {indices}};
}

// Faces whose lengths cycle through `lengths`, as int32 rows behind byte lengths.
WriteElement face_rows_of_lengths(const std::vector<int> &lengths, long count) {
    std::vector<double> values;
    for (long i = 0; i < count; ++i) {
        const int n = lengths[static_cast<std::size_t>(i) % lengths.size()];
        values.push_back(n);
        for (int k = 0; k < n; ++k) values.push_back(static_cast<double>(i * 5 - k * 999));
    }
    WriteProperty indices = list("vertex_indices", PLY_UCHAR, PLY_INT, kInt32, values);
    indices.length_source_type = kUint8;
    return {"face", count, {indices}};
}

std::vector<WriteElement> every_type_with(std::vector<double> values, int source) {
    const e_ply_type types[] = {
        PLY_INT8, PLY_UINT8, PLY_INT16, PLY_UINT16, PLY_INT32, PLY_UIN32, PLY_FLOAT32, PLY_FLOAT64,
        PLY_CHAR, PLY_UCHAR, PLY_SHORT, PLY_USHORT, PLY_INT,   PLY_UINT,  PLY_FLOAT,   PLY_DOUBLE};
    std::vector<WriteElement> elements;
    for (const e_ply_type type : types) {
        elements.push_back(
            {"t", static_cast<long>(values.size()), {scalar("v", type, source, values)}});
    }
    return elements;
}

TEST(BulkWrite, WholeInstancesGiveTheBytesOfValueByValue) {
    const std::vector<double> edges = {0,    -0.0, 1.9,   -1.9,  127,   128,
                                       -129, 255,  256,   65535, -1e10, 4294967295.0,
                                       3e38, 4e38, 1e300, kNaN,  kInf,  -kInf};
    std::vector<std::vector<WriteElement>> files = {
        {vertices(5), faces(7)},
        {vertices(40000), faces(60000)},  // many blocks of the writer
        {vertices(0), faces(0)},
        {{"face", 4, {list("l", PLY_UCHAR, PLY_INT, kInt32, {3, 1, 2, 3, 0, 300, 1})}}},
        // Negative entries, which a uint cannot hold, after whole faces.
        {{"face", 3, {list("l", PLY_UCHAR, PLY_UINT, kInt32, {3, 1, 2, 3, 3, 4, -5, 6}, kUint8)}}},
        {{"face", 3, {list("l", PLY_CHAR, PLY_DOUBLE, kFloat64, {1, 0.5, -1, 2})}}},
        {{"face", 3, {list("l", PLY_FLOAT, PLY_SHORT, kFloat64, {2, 1, 40000, 2.5})}}},
        // Rows of every length around a triangle's and a quad's, across blocks.
        {face_rows_of_lengths({3, 4, 3, 5, 4, 0, 3, 4, 4, 2, 3, 1, 4, 3}, 100000)},
        // Neighbouring values of one type in records: runs longer than 16 bytes, runs broken by
        // a value of another type, floats beside ints.
        {{"record",
          3,
          {scalar("a", PLY_FLOAT, kFloat32, {1.5, kNaN, 4}),
           scalar("b", PLY_FLOAT, kFloat32, {2, 3e38, 1e-45}),
           scalar("c", PLY_FLOAT, kFloat32, {-0.0, 7, 8}),
           scalar("d", PLY_FLOAT, kFloat32, {9, 10, 11}),
           scalar("e", PLY_FLOAT, kFloat32, {12, -kInf, 1}),
           scalar("f", PLY_INT, kInt32, {-1, 2147483647, 0}),
           scalar("g", PLY_UINT, kInt32, {1, 2, -3}),
           scalar("h", PLY_DOUBLE, kFloat64, {1e300, kNaN, -2}),
           scalar("i", PLY_DOUBLE, kFloat64, {0.1, 0.2, 0.3}),
           scalar("j", PLY_UCHAR, kUint8, {1, 2, 3}), scalar("k", PLY_INT, kInt32, {4, 5, 6})}}},
        {{"mixed",
          2,
          {scalar("a", PLY_UCHAR, kInt32, {7, 300}),
           list("l", PLY_UCHAR, PLY_UCHAR, kUint8, {2, 1, 2, 1, 9}),
           scalar("b", PLY_FLOAT, kFloat64, {1e-45, kInf})}}},
    };
    for (int source : {kInt32, kUint8, kFloat32, kFloat64})
        files.push_back(every_type_with(edges, source));
    for (const auto &elements : files) {
        for (const e_ply_storage_mode mode : {PLY_ASCII, PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN}) {
            const WritePlan plan{mode, elements};
            EXPECT_EQ(tolvane::bulk::compare_writes(plan), "")
                << "mode " << mode << ", first element " << elements[0].name << " of "
                << elements[0].instances;
        }
    }
}

}  // namespace
