// Writing: declarations and the exact header, ASCII and binary bodies, value conversion and
// refusal, the sink and its failures.
#include <gtest/gtest.h>

#include <cstdio>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ply_test_support.h"

namespace {

using plytest::create_in_string;
using plytest::errors;
using plytest::Packer;

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

// The usual mesh declarations: vertex x y z (float) red (uchar), face vertex_indices.
void declare_mesh(p_ply ply, long vertices, long faces) {
    ASSERT_EQ(ply_add_comment(ply, "made by plylib"), 1);
    ASSERT_EQ(ply_add_obj_info(ply, "num_cols 1"), 1);
    ASSERT_EQ(ply_add_element(ply, "vertex", vertices), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_FLOAT), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "y", PLY_FLOAT32), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "z", PLY_DOUBLE), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "red", PLY_UCHAR), 1);
    ASSERT_EQ(ply_add_element(ply, "face", faces), 1);
    ASSERT_EQ(ply_add_list_property(ply, "vertex_indices", PLY_UCHAR, PLY_INT), 1);
}

const char *kMeshHeaderTail =
    " 1.0\n"
    "comment made by plylib\n"
    "obj_info num_cols 1\n"
    "element vertex 2\n"
    "property float x\n"
    "property float32 y\n"
    "property double z\n"
    "property uchar red\n"
    "element face 1\n"
    "property list uchar int vertex_indices\n"
    "end_header\n";

void write_mesh_values(p_ply ply) {
    for (double v : {0.5, -1.25, 0.1, 255.0, 1e20, 3.0, -2.0, 0.0, 3.0, 0.0, 1.0, -7.0})
        ASSERT_EQ(ply_write(ply, v), 1) << v;
}

TEST(PlyWrite, AsciiHeaderAndBody) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    declare_mesh(ply, 2, 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    write_mesh_values(ply);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out, std::string("ply\nformat ascii") + kMeshHeaderTail +
                       "0.5 -1.25 0.1 255\n"
                       "1e+20 3 -2 0\n"
                       "3 0 1 -7\n");
    EXPECT_TRUE(errors().empty());
}

TEST(PlyWrite, BinaryLittleAndBigEndianBytes) {
    for (const e_ply_storage_mode mode : {PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN, PLY_DEFAULT}) {
        SCOPED_TRACE(mode);
        std::string out;
        p_ply ply = create_in_string(&out, mode);
        declare_mesh(ply, 2, 1);
        ASSERT_EQ(ply_write_header(ply), 1);
        write_mesh_values(ply);
        EXPECT_EQ(ply_close(ply), 1);
        const bool big = mode == PLY_BIG_ENDIAN;
        Packer body(big);
        body.put(0.5f).put(-1.25f).put(0.1).put(std::uint8_t{255});
        body.put(1e20f).put(3.0f).put(-2.0).put(std::uint8_t{0});
        body.put(std::uint8_t{3}).put(std::int32_t{0}).put(std::int32_t{1}).put(std::int32_t{-7});
        EXPECT_EQ(out, std::string("ply\nformat ") +
                           (big ? "binary_big_endian" : "binary_little_endian") + kMeshHeaderTail +
                           body.bytes());
    }
}

TEST(PlyWrite, EverySixteenTypeWordsAsDeclared) {
    const char *words[] = {"int8",    "uint8",   "int16", "uint16", "int32", "uint32",
                           "float32", "float64", "char",  "uchar",  "short", "ushort",
                           "int",     "uint",    "float", "double"};
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "e", 1), 1);
    std::string expected = "ply\nformat ascii 1.0\nelement e 1\n";
    for (int t = 0; t < 16; ++t) {
        ASSERT_EQ(ply_add_scalar_property(ply, words[t], static_cast<e_ply_type>(t)), 1);
        expected += std::string("property ") + words[t] + " " + words[t] + "\n";
    }
    ASSERT_EQ(ply_add_list_property(ply, "l", PLY_UINT16, PLY_FLOAT64), 1);
    expected += "property list uint16 float64 l\nend_header\n";
    ASSERT_EQ(ply_write_header(ply), 1);
    const double values[] = {-128,       255, -32768, 65535, -2147483648.0, 4294967295.0,
                             0.25,       0.1, 127,    0,     32767,         1,
                             2147483647, 0,   -0.0,   -1e300};
    for (double v : values) ASSERT_EQ(ply_write(ply, v), 1) << v;
    ASSERT_EQ(ply_write(ply, 1), 1);
    ASSERT_EQ(ply_write(ply, 2.5), 1);
    EXPECT_EQ(ply_close(ply), 1);
    expected +=
        "-128 255 -32768 65535 -2147483648 4294967295 0.25 0.1 127 0 32767 1 2147483647 0 -0 "
        "-1e+300 1 2.5\n";
    EXPECT_EQ(out, expected);
}

TEST(PlyWrite, ZeroInstanceElementsArePassedOver) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "none", 0), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "a", PLY_INT), 1);
    ASSERT_EQ(ply_add_element(ply, "two", 2), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "b", PLY_INT), 1);
    ASSERT_EQ(ply_add_element(ply, "bare", 3), 1);
    ASSERT_EQ(ply_add_element(ply, "also_none", 0), 1);
    ASSERT_EQ(ply_add_list_property(ply, "l", PLY_UCHAR, PLY_INT), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    EXPECT_EQ(ply_write(ply, 1), 1);
    EXPECT_EQ(ply_write(ply, 2), 1);
    EXPECT_EQ(ply_write(ply, 3), 0);  // nothing left
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out,
              "ply\nformat ascii 1.0\nelement none 0\nproperty int a\nelement two 2\n"
              "property int b\nelement bare 3\nelement also_none 0\nproperty list uchar int l\n"
              "end_header\n1\n2\n");
}

TEST(PlyWrite, EmptyListsAndListsAcrossInstances) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "face", 3), 1);
    ASSERT_EQ(ply_add_list_property(ply, "i", PLY_UCHAR, PLY_INT), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "flag", PLY_UCHAR), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    for (double v : {0.0, 1.0, 2.0, 4.0, 5.0, 2.0, 0.0, 0.0}) ASSERT_EQ(ply_write(ply, v), 1);
    EXPECT_EQ(ply_write(ply, 9), 0);  // all three instances are written
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out.substr(out.find("end_header\n") + 11), "0 1\n2 4 5 2\n0 0\n");
    EXPECT_EQ(out.substr(0, out.find("end_header")).find("9"), std::string::npos);
}

// Floats in ASCII are written in the shortest form that reads back to the identical value.
TEST(PlyWrite, ShortestFloatsReadBackIdentically) {
    std::mt19937_64 random(12345);
    std::vector<double> doubles = {
        0.1, 1.0 / 3, -0.0, DBL_MAX, DBL_MIN, 5e-324, 1e23, 123456789.0, -2.2250738585072014e-308};
    std::vector<float> floats = {0.1f,     1.0f / 3, -0.0f,  FLT_MAX,
                                 -FLT_MAX, FLT_MIN,  1e-45f, 16777217.0f};
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d)) doubles.push_back(d);
        float f;
        const auto bits32 = static_cast<std::uint32_t>(bits >> 7);
        std::memcpy(&f, &bits32, sizeof f);
        if (std::isfinite(f)) floats.push_back(f);
    }
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "d", static_cast<long>(doubles.size())), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "v", PLY_FLOAT64), 1);
    ASSERT_EQ(ply_add_element(ply, "f", static_cast<long>(floats.size())), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "w", PLY_FLOAT32), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    for (double d : doubles) ASSERT_EQ(ply_write(ply, d), 1);
    for (float f : floats) ASSERT_EQ(ply_write(ply, f), 1);
    ASSERT_EQ(ply_close(ply), 1);

    EXPECT_NE(out.find("\n0.1\n0.3333333333333333\n-0\n1.7976931348623157e+308\n"),
              std::string::npos);
    EXPECT_NE(out.find("\n0.1\n0.33333334\n-0\n3.4028235e+38\n-3.4028235e+38\n"),
              std::string::npos);

    const plytest::ReadResult result = plytest::read_all(out);
    ASSERT_TRUE(result.read_ok);
    const std::vector<double> read_doubles = plytest::values_of(result.calls, "v");
    const std::vector<double> read_floats = plytest::values_of(result.calls, "w");
    ASSERT_EQ(read_doubles.size(), doubles.size());
    ASSERT_EQ(read_floats.size(), floats.size());
    for (std::size_t i = 0; i < doubles.size(); ++i)
        ASSERT_EQ(std::memcmp(&read_doubles[i], &doubles[i], sizeof(double)), 0) << doubles[i];
    for (std::size_t i = 0; i < floats.size(); ++i) {
        const float f = static_cast<float>(read_floats[i]);
        ASSERT_EQ(std::memcmp(&f, &floats[i], sizeof(float)), 0) << floats[i];
    }
}

struct Conversion {
    const char *name;
    e_ply_type type;
    double value;
    bool accepted;
    const char *text;  // ASCII text when accepted
};

void PrintTo(const Conversion &c, std::ostream *out) {
    *out << c.name;
}

class PlyWriteConversions : public testing::TestWithParam<Conversion> {};

// A refused value reports one error, returns 0 and does not advance: the next value takes its
// place.
TEST_P(PlyWriteConversions, AcceptOrRefuseWithoutAdvancing) {
    const Conversion &c = GetParam();
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "e", 1), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "p", c.type), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "q", PLY_UCHAR), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    EXPECT_EQ(ply_write(ply, c.value), c.accepted ? 1 : 0);
    EXPECT_EQ(errors().size(), c.accepted ? 0u : 1u);
    if (!c.accepted) {
        ASSERT_EQ(ply_write(ply, 1), 1);
    }
    ASSERT_EQ(ply_write(ply, 2), 1);
    EXPECT_EQ(ply_close(ply), 1);
    const std::string body = out.substr(out.find("end_header\n") + 11);
    EXPECT_EQ(body, c.accepted ? std::string(c.text) + " 2\n" : std::string("1 2\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlyWriteConversions,
    testing::Values(Conversion{"UcharTruncates", PLY_UCHAR, 255.9, true, "255"},
                    Conversion{"UcharNegativeFraction", PLY_UCHAR, -0.9, true, "0"},
                    Conversion{"UcharTooBig", PLY_UCHAR, 256, false, ""},
                    Conversion{"UcharNegative", PLY_UCHAR, -1, false, ""},
                    Conversion{"CharTruncatesTowardZero", PLY_CHAR, -128.7, true, "-128"},
                    Conversion{"Int8TooSmall", PLY_INT8, -129, false, ""},
                    Conversion{"ShortTruncates", PLY_SHORT, 32767.5, true, "32767"},
                    Conversion{"Int16TooBig", PLY_INT16, 32768, false, ""},
                    Conversion{"UshortTooBig", PLY_USHORT, 65536, false, ""},
                    Conversion{"IntLowest", PLY_INT, -2147483648.9, true, "-2147483648"},
                    Conversion{"Int32TooBig", PLY_INT32, 2147483648.0, false, ""},
                    Conversion{"UintHighest", PLY_UINT, 4294967295.5, true, "4294967295"},
                    Conversion{"Uint32TooBig", PLY_UIN32, 4294967296.0, false, ""},
                    Conversion{"IntNaN", PLY_INT, kNaN, false, ""},
                    Conversion{"Uint8Infinity", PLY_UINT8, kInf, false, ""},
                    Conversion{"IntMinusInfinity", PLY_INT, -kInf, false, ""},
                    Conversion{"FloatMax", PLY_FLOAT, FLT_MAX, true, "3.4028235e+38"},
                    Conversion{"Float32Lowest", PLY_FLOAT32, -FLT_MAX, true, "-3.4028235e+38"},
                    Conversion{"FloatTooBig", PLY_FLOAT, 3.5e38, false, ""},
                    Conversion{"Float32Infinity", PLY_FLOAT32, kInf, false, ""},
                    Conversion{"FloatMinusInfinity", PLY_FLOAT, -kInf, false, ""},
                    Conversion{"FloatNaN", PLY_FLOAT, kNaN, true, "nan"},
                    Conversion{"DoubleNaN", PLY_DOUBLE, kNaN, true, "nan"},
                    Conversion{"DoubleLarge", PLY_DOUBLE, 1e300, true, "1e+300"},
                    Conversion{"FloatUnderflow", PLY_FLOAT, 1e-50, true, "0"}),
    [](const testing::TestParamInfo<Conversion> &info) { return std::string(info.param.name); });

TEST(PlyWrite, RefusalMessageNamesTheValueAndPlace) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_LITTLE_ENDIAN);
    ASSERT_EQ(ply_add_element(ply, "vertex", 3), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "red", PLY_UCHAR), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    ASSERT_EQ(ply_write(ply, 1), 1);
    EXPECT_EQ(ply_write(ply, 300), 0);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(
        errors()[0],
        "Value 300 cannot be written as uchar (element 'vertex', instance 1, property 'red')");
    EXPECT_EQ(ply_write(ply, 2), 1);
    EXPECT_EQ(ply_write(ply, 3), 1);
    EXPECT_EQ(ply_write(ply, 4), 0);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out.substr(out.size() - 3), std::string("\x01\x02\x03"));
}

TEST(PlyWrite, ListLengthsMustBeNonNegativeIntegersOfTheCountType) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "f", 2), 1);
    ASSERT_EQ(ply_add_list_property(ply, "i", PLY_UCHAR, PLY_UCHAR), 1);
    ASSERT_EQ(ply_add_list_property(ply, "g", PLY_FLOAT, PLY_UCHAR), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    EXPECT_EQ(ply_write(ply, -1), 0);
    EXPECT_EQ(ply_write(ply, 256), 0);
    EXPECT_EQ(ply_write(ply, kNaN), 0);
    EXPECT_EQ(errors().size(), 3u);
    EXPECT_EQ(errors()[0].find("List length -1 cannot be written as uchar"), 0u);
    EXPECT_EQ(ply_write(ply, 1.7), 1);  // truncated: a list of 1
    EXPECT_EQ(ply_write(ply, 300), 0);  // entries are checked too
    EXPECT_EQ(ply_write(ply, 5), 1);
    EXPECT_EQ(ply_write(ply, 1.5), 0);  // a float count must be integral
    EXPECT_EQ(ply_write(ply, 2), 1);
    EXPECT_EQ(ply_write(ply, 7), 1);
    EXPECT_EQ(ply_write(ply, 8), 1);
    EXPECT_EQ(ply_write(ply, 0), 1);
    EXPECT_EQ(ply_write(ply, -0.0), 1);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out.substr(out.find("end_header\n") + 11), "1 5 2 7 8\n0 -0\n");
}

TEST(PlyWrite, DeclarationErrors) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    EXPECT_EQ(ply_add_scalar_property(ply, "x", PLY_FLOAT), 0);  // no element yet
    EXPECT_EQ(ply_add_element(ply, "bad name", 1), 0);
    EXPECT_EQ(ply_add_element(ply, "", 1), 0);
    EXPECT_EQ(ply_add_element(ply, "v", -1), 0);
    EXPECT_EQ(ply_add_comment(ply, "two\nlines"), 0);
    EXPECT_EQ(ply_add_obj_info(ply, "cr\r"), 0);
    ASSERT_EQ(ply_add_element(ply, "v", 1), 1);
    EXPECT_EQ(ply_add_scalar_property(ply, "x", PLY_LIST), 0);
    EXPECT_EQ(ply_add_list_property(ply, "l", PLY_LIST, PLY_INT), 0);
    EXPECT_EQ(ply_add_scalar_property(ply, "x\ty", PLY_FLOAT), 0);
    EXPECT_EQ(ply_write(ply, 1), 0);  // before the header
    EXPECT_EQ(errors().size(), 10u);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_FLOAT), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    errors().clear();
    EXPECT_EQ(ply_add_element(ply, "late", 1), 0);
    EXPECT_EQ(ply_add_comment(ply, "late"), 0);
    EXPECT_EQ(ply_write_header(ply), 0);
    EXPECT_EQ(errors().size(), 3u);
    EXPECT_EQ(ply_write(ply, 1), 1);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(out, "ply\nformat ascii 1.0\nelement v 1\nproperty float x\nend_header\n1\n");
}

TEST(PlyWrite, InspectDeclarations) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_ASCII);
    ASSERT_EQ(ply_add_element(ply, "face", 4), 1);
    ASSERT_EQ(ply_add_list_property(ply, "vertex_indices", PLY_UCHAR, PLY_INT), 1);
    p_ply_element element = ply_get_next_element(ply, nullptr);
    const char *name = nullptr;
    long count = 0;
    ASSERT_EQ(ply_get_element_info(element, &name, &count), 1);
    EXPECT_STREQ(name, "face");
    EXPECT_EQ(count, 4);
    p_ply_property property = ply_get_next_property(element, nullptr);
    e_ply_type type, length_type, value_type;
    ASSERT_EQ(ply_get_property_info(property, &name, &type, &length_type, &value_type), 1);
    EXPECT_STREQ(name, "vertex_indices");
    EXPECT_EQ(type, PLY_LIST);
    EXPECT_EQ(length_type, PLY_UCHAR);
    EXPECT_EQ(value_type, PLY_INT);
    EXPECT_EQ(ply_get_next_property(element, property), nullptr);
    EXPECT_EQ(ply_get_next_element(ply, element), nullptr);
    EXPECT_EQ(ply_close(ply), 1);
}

// Binary output is exactly the header plus the packed values, as the classic writer produces.
TEST(PlyWrite, BinaryRoundTripThroughTheReader) {
    for (const e_ply_storage_mode mode : {PLY_ASCII, PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN}) {
        SCOPED_TRACE(mode);
        std::string out;
        p_ply ply = create_in_string(&out, mode);
        ASSERT_EQ(ply_add_element(ply, "e", 2), 1);
        for (int t = 0; t < 16; ++t) {
            const std::string name = std::string("p").append(std::to_string(t));
            ASSERT_EQ(ply_add_scalar_property(ply, name.c_str(), static_cast<e_ply_type>(t)), 1);
        }
        ASSERT_EQ(ply_add_list_property(ply, "l", PLY_USHORT, PLY_FLOAT), 1);
        ASSERT_EQ(ply_write_header(ply), 1);
        std::vector<double> written;
        for (int instance = 0; instance < 2; ++instance) {
            for (int t = 0; t < 16; ++t) {
                const double v = (t % 8 == 0 ? -100.0 : 100.0) + t + instance * 0.25;
                ASSERT_EQ(ply_write(ply, v), 1);
                written.push_back(t % 8 >= 6 ? v : std::trunc(v));
            }
            for (double v : {2.0, 0.5, -0.75}) {
                ASSERT_EQ(ply_write(ply, v), 1);
                written.push_back(v);
            }
        }
        ASSERT_EQ(ply_close(ply), 1);
        const plytest::ReadResult result = plytest::read_all(out);
        ASSERT_TRUE(result.read_ok);
        std::vector<double> read;
        for (const plytest::Call &call : result.calls) read.push_back(call.value);
        EXPECT_EQ(read, written);
    }
}

int fail_always(void *, const void *, std::size_t) {
    return 0;
}

struct CountingSink {
    std::size_t calls = 0;
    std::size_t bytes = 0;
    std::size_t fail_from = ~std::size_t{0};
};

int counting_write(void *sink, const void *, std::size_t size) {
    auto &s = *static_cast<CountingSink *>(sink);
    if (++s.calls >= s.fail_from) return 0;
    s.bytes += size;
    return 1;
}

TEST(PlyWriteSink, FailureAtCloseMakesCloseReturnZero) {
    errors().clear();
    p_ply ply = ply_create_sink(fail_always, nullptr, PLY_ASCII, plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    ASSERT_EQ(ply_add_element(ply, "v", 1), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_INT), 1);
    ASSERT_EQ(ply_write_header(ply), 1);  // buffered: the failure comes later
    ASSERT_EQ(ply_write(ply, 1), 1);
    EXPECT_EQ(ply_close(ply), 0);
    EXPECT_EQ(errors().size(), 1u);
}

TEST(PlyWriteSink, FailureMidWayIsKept) {
    errors().clear();
    CountingSink sink;
    sink.fail_from = 2;
    p_ply ply =
        ply_create_sink(counting_write, &sink, PLY_BIG_ENDIAN, plytest::log_error, 0, nullptr);
    ASSERT_EQ(ply_add_element(ply, "v", 1000000), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_DOUBLE), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    int failed_at = -1;
    for (int i = 0; i < 1000000; ++i) {
        if (ply_write(ply, i) == 0) {
            failed_at = i;
            break;
        }
    }
    EXPECT_GT(failed_at, 0);
    EXPECT_EQ(ply_write(ply, 1), 0);  // stays failed
    EXPECT_EQ(ply_close(ply), 0);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(sink.calls, 2u);  // nothing handed on after the failure
}

TEST(PlyWriteSink, BlocksAreHandedOverInOrder) {
    std::string out;
    p_ply ply = create_in_string(&out, PLY_LITTLE_ENDIAN);
    const long count = 300000;
    ASSERT_EQ(ply_add_element(ply, "v", count), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_UINT), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    for (long i = 0; i < count; ++i) ASSERT_EQ(ply_write(ply, static_cast<double>(i)), 1);
    ASSERT_EQ(ply_close(ply), 1);
    const std::string header =
        "ply\nformat binary_little_endian 1.0\nelement v 300000\n"
        "property uint x\nend_header\n";
    ASSERT_EQ(out.size(), header.size() + 4 * static_cast<std::size_t>(count));
    for (long i = 0; i < count; i += 9973) {
        std::uint32_t v;
        std::memcpy(&v, out.data() + header.size() + 4 * i, 4);
        ASSERT_EQ(v, static_cast<std::uint32_t>(i));
    }
}

TEST(PlyWriteFile, CreateWriteAndReadBack) {
    plytest::Scratch scratch;
    const std::string path = (scratch.path / "out.ply").string();
    errors().clear();
    p_ply ply = ply_create(path.c_str(), PLY_ASCII, plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    declare_mesh(ply, 2, 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    write_mesh_values(ply);
    ASSERT_EQ(ply_close(ply), 1);
    EXPECT_EQ(plytest::read_whole_file(scratch.path / "out.ply"),
              std::string("ply\nformat ascii") + kMeshHeaderTail +
                  "0.5 -1.25 0.1 255\n1e+20 3 -2 0\n3 0 1 -7\n");
    const plytest::ReadResult result = plytest::read_file(scratch.path / "out.ply");
    EXPECT_TRUE(result.read_ok);
    EXPECT_EQ(plytest::values_of(result.calls, "vertex_indices"),
              (std::vector<double>{3, 0, 1, -7}));
}

TEST(PlyWriteFile, CreateInMissingFolderFails) {
    plytest::Scratch scratch;
    errors().clear();
    EXPECT_EQ(ply_create((scratch.path / "no" / "such.ply").string().c_str(), PLY_ASCII,
                         plytest::log_error, 0, nullptr),
              nullptr);
    EXPECT_EQ(errors().size(), 1u);
}

TEST(PlyWriteFile, CloseWithoutHeaderLeavesAnEmptyFile) {
    plytest::Scratch scratch;
    p_ply ply = ply_create((scratch.path / "e.ply").string().c_str(), PLY_DEFAULT,
                           plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(plytest::read_whole_file(scratch.path / "e.ply"), "");
}

}  // namespace

namespace {

// A name with bytes beyond ASCII reaches the runtime unchanged: the file it names is the one
// the runtime's own fopen finds.
TEST(PlyFileNames, NonAsciiNamesGoToTheRuntimeUnchanged) {
    plytest::Scratch scratch;
    const std::string name = (scratch.path / "m").string() + "\xc3\xa9sh-\xfc.ply";
    errors().clear();
    p_ply ply = ply_create(name.c_str(), PLY_ASCII, plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    ASSERT_EQ(ply_add_element(ply, "v", 1), 1);
    ASSERT_EQ(ply_add_scalar_property(ply, "x", PLY_INT), 1);
    ASSERT_EQ(ply_write_header(ply), 1);
    ASSERT_EQ(ply_write(ply, 4), 1);
    ASSERT_EQ(ply_close(ply), 1);
    std::FILE *found = std::fopen(name.c_str(), "rb");
    EXPECT_NE(found, nullptr);
    if (found != nullptr) std::fclose(found);

    ply = ply_open(name.c_str(), plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    std::vector<plytest::Call> calls;
    EXPECT_EQ(ply_set_read_cb(ply, "v", "x", plytest::record_call, &calls, 0), 1);
    EXPECT_EQ(ply_read(ply), 1);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(plytest::values_of(calls, "x"), std::vector<double>{4});
    EXPECT_TRUE(errors().empty());
}

}  // namespace
