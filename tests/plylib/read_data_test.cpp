// Reading data sections: every type in every storage mode, lists, callback calls and their
// arguments, aborts, and each kind of data error.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "ply_test_support.h"

namespace {

using plytest::Call;
using plytest::errors;
using plytest::Packer;
using plytest::read_all;
using plytest::ReadResult;
using plytest::values_of;

const char *mode_word(e_ply_storage_mode mode) {
    return mode == PLY_ASCII        ? "ascii"
           : mode == PLY_BIG_ENDIAN ? "binary_big_endian"
                                    : "binary_little_endian";
}

// Values of one type, written as ASCII text or packed.
class Body {
  public:
    explicit Body(e_ply_storage_mode mode) : mode_(mode), packer_(mode == PLY_BIG_ENDIAN) {}

    // `text` is the ASCII token; `value` what is packed in binary, as type `type`.
    Body &put(e_ply_type type, double value, const std::string &text = "") {
        if (mode_ == PLY_ASCII) {
            ascii_ += (ascii_.empty() || ascii_.back() == '\n' ? "" : " ") +
                      (text.empty() ? number(value) : text);
            return *this;
        }
        switch (type & 7) {
            case PLY_INT8:
                packer_.put(static_cast<std::int8_t>(value));
                break;
            case PLY_UINT8:
                packer_.put(static_cast<std::uint8_t>(value));
                break;
            case PLY_INT16:
                packer_.put(static_cast<std::int16_t>(value));
                break;
            case PLY_UINT16:
                packer_.put(static_cast<std::uint16_t>(value));
                break;
            case PLY_INT32:
                packer_.put(static_cast<std::int32_t>(value));
                break;
            case PLY_UIN32:
                packer_.put(static_cast<std::uint32_t>(value));
                break;
            case PLY_FLOAT32:
                packer_.put(static_cast<float>(value));
                break;
            default:
                packer_.put(value);
                break;
        }
        return *this;
    }
    Body &end_line() {
        if (mode_ == PLY_ASCII) ascii_ += "\n";
        return *this;
    }
    std::string bytes() const { return mode_ == PLY_ASCII ? ascii_ : packer_.bytes(); }

  private:
    static std::string number(double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", value);
        return text;
    }
    e_ply_storage_mode mode_;
    Packer packer_;
    std::string ascii_;
};

class PlyReadModes : public testing::TestWithParam<e_ply_storage_mode> {
  protected:
    std::string header(const std::string &declarations) const {
        return std::string("ply\nformat ") + mode_word(GetParam()) + " 1.0\n" + declarations +
               "end_header\n";
    }
};

struct TypedValue {
    const char *word;
    e_ply_type type;
    double first;
    std::string first_text;
    double second;
    std::string second_text;
};

const std::vector<TypedValue> &typed_values() {
    static const std::vector<TypedValue> values = {
        {"int8", PLY_INT8, -128, "-128", 127, "+127"},
        {"uint8", PLY_UINT8, 0, "0", 255, "255"},
        {"int16", PLY_INT16, -32768, "-32768", 32767, "32767"},
        {"uint16", PLY_UINT16, 0, "-0", 65535, "65535"},
        {"int32", PLY_INT32, -2147483648.0, "-2147483648", 2147483647, "2147483647"},
        {"uint32", PLY_UIN32, 0, "0", 4294967295.0, "4294967295"},
        {"float32", PLY_FLOAT32, -1.5, "-1.5", FLT_MAX, "3.4028235e38"},
        {"float64", PLY_FLOAT64, 1e300, "1e300", -2.5e-300, "-2.5e-300"},
        {"char", PLY_CHAR, -1, "-1", 1, "1"},
        {"uchar", PLY_UCHAR, 200, "200", 7, "7"},
        {"short", PLY_SHORT, -300, "-300", 300, "300"},
        {"ushort", PLY_USHORT, 1000, "1000", 2, "2"},
        {"int", PLY_INT, -5, "-5", 123456, "123456"},
        {"uint", PLY_UINT, 42, "42", 3000000000.0, "3000000000"},
        {"float", PLY_FLOAT, 0.25, ".25", static_cast<double>(-0.1f), "-0.1"},
        {"double", PLY_DOUBLE, 0.1, "0.1", -1e-10, "-1E-10"},
    };
    return values;
}

TEST_P(PlyReadModes, EverySixteenTypeWords) {
    std::string declarations = "element values 2\n";
    for (const TypedValue &t : typed_values())
        declarations += std::string("property ") + t.word + " p_" + t.word + "\n";
    Body body(GetParam());
    for (const TypedValue &t : typed_values()) body.put(t.type, t.first, t.first_text);
    body.end_line();
    for (const TypedValue &t : typed_values()) body.put(t.type, t.second, t.second_text);
    body.end_line();

    const ReadResult result = read_all(header(declarations) + body.bytes());
    ASSERT_TRUE(result.read_ok) << (result.errors.empty() ? "" : result.errors[0]);
    EXPECT_TRUE(result.errors.empty());
    ASSERT_EQ(result.calls.size(), 32u);
    for (std::size_t i = 0; i < 16; ++i) {
        const TypedValue &t = typed_values()[i];
        const Call &first = result.calls[i];
        const Call &second = result.calls[16 + i];
        EXPECT_EQ(first.property, std::string("p_") + t.word);
        EXPECT_EQ(first.value, t.first) << t.word;
        EXPECT_EQ(second.value, t.second) << t.word;
        EXPECT_EQ(first.instance, 0);
        EXPECT_EQ(second.instance, 1);
        EXPECT_EQ(first.length, 1);
        EXPECT_EQ(first.index, 0);
        EXPECT_EQ(first.idata, 7);
    }
}

TEST_P(PlyReadModes, ListsOfVariousCountAndValueTypes) {
    const std::string declarations =
        "element face 3\n"
        "property list uchar int vertex_indices\n"
        "property list ushort float weights\n"
        "property list int8 double d\n"
        "property list uint32 uint16 u\n"
        "property list float64 int16 by_float_count\n";
    Body body(GetParam());
    // Instance 0.
    body.put(PLY_UCHAR, 3).put(PLY_INT, 0).put(PLY_INT, 1).put(PLY_INT, -2);
    body.put(PLY_USHORT, 0);
    body.put(PLY_INT8, 1).put(PLY_DOUBLE, 1.5);
    body.put(PLY_UIN32, 2).put(PLY_USHORT, 65535).put(PLY_USHORT, 0);
    body.put(PLY_DOUBLE, 2, "2.0").put(PLY_SHORT, -1).put(PLY_SHORT, 2);
    body.end_line();
    // Instance 1.
    body.put(PLY_UCHAR, 4).put(PLY_INT, 3).put(PLY_INT, 4).put(PLY_INT, 5).put(PLY_INT, 6);
    body.put(PLY_USHORT, 1).put(PLY_FLOAT, 0.5);
    body.put(PLY_INT8, 0).put(PLY_UIN32, 0).put(PLY_DOUBLE, 0);
    body.end_line();
    // Instance 2: all empty.
    body.put(PLY_UCHAR, 0).put(PLY_USHORT, 0).put(PLY_INT8, 0).put(PLY_UIN32, 0).put(PLY_DOUBLE, 0);
    body.end_line();

    const ReadResult result = read_all(header(declarations) + body.bytes());
    ASSERT_TRUE(result.read_ok) << (result.errors.empty() ? "" : result.errors[0]);
    EXPECT_EQ(values_of(result.calls, "vertex_indices"),
              (std::vector<double>{3, 0, 1, -2, 4, 3, 4, 5, 6, 0}));
    EXPECT_EQ(values_of(result.calls, "weights"), (std::vector<double>{0, 1, 0.5, 0}));
    EXPECT_EQ(values_of(result.calls, "d"), (std::vector<double>{1, 1.5, 0, 0}));
    EXPECT_EQ(values_of(result.calls, "u"), (std::vector<double>{2, 65535, 0, 0, 0}));
    EXPECT_EQ(values_of(result.calls, "by_float_count"), (std::vector<double>{2, -1, 2, 0, 0}));
    // Every call of a list reports its length; the length itself comes with index -1.
    std::vector<std::pair<long, long>> shape;
    for (const Call &call : result.calls) {
        if (call.property == "vertex_indices") shape.emplace_back(call.length, call.index);
    }
    EXPECT_EQ(
        shape,
        (std::vector<std::pair<long, long>>{
            {3, -1}, {3, 0}, {3, 1}, {3, 2}, {4, -1}, {4, 0}, {4, 1}, {4, 2}, {4, 3}, {0, -1}}));
}

TEST_P(PlyReadModes, EndOfFileInData) {
    Body body(GetParam());
    body.put(PLY_FLOAT, 1).put(PLY_FLOAT, 2).end_line().put(PLY_FLOAT, 3);
    const ReadResult result =
        read_all(header("element vertex 2\nproperty float x\nproperty float y\n") + body.bytes());
    EXPECT_TRUE(result.header_ok);
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0],
              "Unexpected end of file in element 'vertex' (instance 1), property 'y'");
    EXPECT_EQ(values_of(result.calls, "x"), (std::vector<double>{1, 3}));
}

TEST_P(PlyReadModes, EndOfFileInsideAList) {
    Body body(GetParam());
    body.put(PLY_UCHAR, 3).put(PLY_INT, 1).put(PLY_INT, 2);
    const ReadResult result =
        read_all(header("element face 1\nproperty list uchar int vertex_indices\n") + body.bytes());
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_NE(result.errors[0].find("Unexpected end of file in element 'face' (instance 0)"),
              std::string::npos);
}

TEST_P(PlyReadModes, NegativeListLengthFails) {
    Body body(GetParam());
    body.put(PLY_CHAR, -1);
    const ReadResult result =
        read_all(header("element face 1\nproperty list char int i\n") + body.bytes());
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0],
              "Invalid list length -1 in element 'face' (instance 0), property 'i'");
}

TEST_P(PlyReadModes, NonIntegralListLengthFails) {
    Body body(GetParam());
    body.put(PLY_FLOAT, 1.5).put(PLY_INT, 1).put(PLY_INT, 2);
    const ReadResult result =
        read_all(header("element face 1\nproperty list float int i\n") + body.bytes());
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_NE(result.errors[0].find("Invalid list length 1.5"), std::string::npos);
}

TEST_P(PlyReadModes, HugeCountWithLittleDataFailsQuickly) {
    // 2^31 vertices declared, 5 bytes (or tokens) there: fails at the end of the data, without
    // allocating for the count.
    Body body(GetParam());
    for (int i = 0; i < 5; ++i) body.put(PLY_UCHAR, i);
    const auto start = std::chrono::steady_clock::now();
    const ReadResult result = read_all(
        header("element vertex 2147483648\nproperty uchar x\nelement face 9223372036854775807\n"
               "property list uint int i\n") +
        body.bytes());
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0],
              "Unexpected end of file in element 'vertex' (instance 5), property 'x'");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_P(PlyReadModes, HugeListLengthIsNoAllocation) {
    Body body(GetParam());
    body.put(PLY_UIN32, 4294967295.0).put(PLY_INT, 1).put(PLY_INT, 2);
    const ReadResult result =
        read_all(header("element face 1\nproperty list uint int i\n") + body.bytes());
    EXPECT_FALSE(result.read_ok);
    EXPECT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(values_of(result.calls, "i"), (std::vector<double>{4294967295.0, 1, 2}));
}

TEST_P(PlyReadModes, ElementsWithoutInstancesOrPropertiesAreFine) {
    Body body(GetParam());
    body.put(PLY_INT, 9);
    const ReadResult result = read_all(header("element none 0\nproperty float x\n"
                                              "element bare 9223372036854775807\n"
                                              "element one 1\nproperty int v\n"
                                              "element trailing 0\nproperty list uchar int l\n") +
                                       body.bytes());
    ASSERT_TRUE(result.read_ok);
    ASSERT_EQ(result.calls.size(), 1u);
    EXPECT_EQ(result.calls[0].element, "one");
    EXPECT_EQ(result.calls[0].value, 9);
}

TEST_P(PlyReadModes, DataAfterTheLastElementIsLeftAlone) {
    Body body(GetParam());
    body.put(PLY_INT, 9).put(PLY_INT, 10);
    const ReadResult result = read_all(header("element one 1\nproperty int v\n") + body.bytes());
    EXPECT_TRUE(result.read_ok);
    EXPECT_EQ(values_of(result.calls, "v"), std::vector<double>{9});
}

INSTANTIATE_TEST_SUITE_P(Modes, PlyReadModes,
                         testing::Values(PLY_ASCII, PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN),
                         [](const testing::TestParamInfo<e_ply_storage_mode> &info) {
                             return std::string(info.param == PLY_ASCII        ? "Ascii"
                                                : info.param == PLY_BIG_ENDIAN ? "BigEndian"
                                                                               : "LittleEndian");
                         });

TEST(PlyReadCallbacks, OrderAndArguments) {
    std::vector<Call> calls;
    const std::string bytes =
        "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
        "element face 1\nproperty list uchar int vertex_indices\nproperty uchar flag\n"
        "end_header\n0.5 1\n2 3\n2 10 11 1\n";
    errors().clear();
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), plytest::log_error, 0, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    EXPECT_EQ(ply_set_read_cb(ply, "vertex", "y", plytest::record_call, &calls, 2), 2);
    EXPECT_EQ(ply_set_read_cb(ply, "vertex", "x", plytest::record_call, &calls, 1), 2);
    EXPECT_EQ(ply_set_read_cb(ply, "face", "vertex_indices", plytest::record_call, &calls, 3), 1);
    EXPECT_EQ(ply_read(ply), 1);
    EXPECT_EQ(ply_close(ply), 1);

    struct Expected {
        const char *element;
        long instance;
        const char *property;
        long length, index;
        double value;
        long idata;
    };
    const Expected expected[] = {
        {"vertex", 0, "x", 1, 0, 0.5, 1},
        {"vertex", 0, "y", 1, 0, 1, 2},
        {"vertex", 1, "x", 1, 0, 2, 1},
        {"vertex", 1, "y", 1, 0, 3, 2},
        {"face", 0, "vertex_indices", 2, -1, 2, 3},
        {"face", 0, "vertex_indices", 2, 0, 10, 3},
        {"face", 0, "vertex_indices", 2, 1, 11, 3},
    };
    ASSERT_EQ(calls.size(), std::size(expected));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].element, expected[i].element);
        EXPECT_EQ(calls[i].instance, expected[i].instance);
        EXPECT_EQ(calls[i].property, expected[i].property);
        EXPECT_EQ(calls[i].length, expected[i].length);
        EXPECT_EQ(calls[i].index, expected[i].index);
        EXPECT_EQ(calls[i].value, expected[i].value);
        EXPECT_EQ(calls[i].idata, expected[i].idata);
    }
    EXPECT_TRUE(errors().empty());
}

int stop_at_third(p_ply_argument argument) {
    void *pdata = nullptr;
    ply_get_argument_user_data(argument, &pdata, nullptr);
    int &count = *static_cast<int *>(pdata);
    return ++count < 3 ? 1 : 0;
}

TEST(PlyReadCallbacks, CallbackReturningZeroStopsTheRead) {
    const std::string bytes =
        "ply\nformat ascii 1.0\nelement vertex 5\nproperty int x\nend_header\n1 2 3 4 5\n";
    errors().clear();
    int count = 0;
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), plytest::log_error, 0, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    ply_set_read_cb(ply, "vertex", "x", stop_at_third, &count, 0);
    EXPECT_EQ(ply_read(ply), 0);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0],
              "Read aborted by the callback in element 'vertex' (instance 2), property 'x'");
    errors().clear();
    EXPECT_EQ(ply_read(ply), 0);  // once only
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(ply_close(ply), 1);
}

TEST(PlyReadCallbacks, PropertiesWithoutCallbackAreStillChecked) {
    const std::string bytes =
        "ply\nformat ascii 1.0\nelement vertex 2\nproperty int x\nproperty int y\nend_header\n"
        "1 2\nbad 4\n";
    errors().clear();
    std::vector<Call> calls;
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), plytest::log_error, 0, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    ply_set_read_cb(ply, "vertex", "y", plytest::record_call, &calls, 0);
    EXPECT_EQ(ply_read(ply), 0);
    EXPECT_EQ(values_of(calls, "y"), std::vector<double>{2});
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0],
              "Invalid int value 'bad' in element 'vertex' (instance 1), property 'x'");
    ply_close(ply);
}

TEST(PlyReadAscii, TokensInAnyArrangementOfWhitespace) {
    const ReadResult result = read_all(
        "ply\nformat ascii 1.0\nelement v 3\nproperty int a\nproperty int b\nend_header\n"
        "   1\t\t2\r\n\n3\n\v\f4 5\r6");
    ASSERT_TRUE(result.read_ok);
    EXPECT_EQ(values_of(result.calls, "a"), (std::vector<double>{1, 3, 5}));
    EXPECT_EQ(values_of(result.calls, "b"), (std::vector<double>{2, 4, 6}));
}

struct TokenCase {
    const char *name;
    const char *type;
    const char *token;
    bool ok;
    double value;         // when ok
    const char *message;  // when not ok
};

void PrintTo(const TokenCase &c, std::ostream *out) {
    *out << c.name;
}

class PlyReadAsciiTokens : public testing::TestWithParam<TokenCase> {};

TEST_P(PlyReadAsciiTokens, ReadOrFail) {
    const TokenCase &c = GetParam();
    // Followed by a line end, at the very end of the input, and with room after it for the
    // parsers that read eight bytes at a time: each is parsed differently.
    for (const std::string end : {"\n", "", "\n                "}) {
        SCOPED_TRACE("ending '" + end + "'");
        const ReadResult result =
            read_all(std::string("ply\nformat ascii 1.0\nelement v 1\nproperty ") + c.type +
                     " p\nend_header\n" + c.token + end);
        EXPECT_TRUE(result.header_ok);
        EXPECT_EQ(result.read_ok, c.ok);
        if (c.ok) {
            ASSERT_EQ(result.calls.size(), 1u);
            if (std::isnan(c.value)) {
                EXPECT_TRUE(std::isnan(result.calls[0].value));
            } else {
                EXPECT_EQ(result.calls[0].value, c.value);
            }
            EXPECT_EQ(std::signbit(result.calls[0].value), std::signbit(c.value));
        } else {
            ASSERT_EQ(result.errors.size(), 1u);
            EXPECT_EQ(result.errors[0],
                      std::string(c.message) + " in element 'v' (instance 0), property 'p'");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlyReadAsciiTokens,
    testing::Values(
        TokenCase{"PlusSign", "int", "+12", true, 12, ""},
        TokenCase{"MinusZeroUnsigned", "uchar", "-0", true, 0, ""},
        TokenCase{"LeadingZeros", "int", "0007", true, 7, ""},
        TokenCase{"PlusFloat", "float", "+2.5", true, 2.5, ""},
        TokenCase{"FloatForms", "double", "-.5e1", true, -5, ""},
        TokenCase{"TrailingDot", "double", "5.", true, 5, ""},
        TokenCase{"Float32Max", "float32", "3.4028235e38", true, FLT_MAX, ""},
        TokenCase{"Float32Underflow", "float", "-1e-50", true, -0.0, ""},
        TokenCase{"Float32Subnormal", "float", "1e-45", true, static_cast<double>(1e-45f), ""},
        TokenCase{"Float64Underflow", "double", "1e-400", true, 0.0, ""},
        TokenCase{"Float64Max", "double", "1.7976931348623157e308", true, DBL_MAX, ""},
        TokenCase{"Float32IsRoundedAsFloat", "float", "0.1", true, static_cast<double>(0.1f), ""},
        TokenCase{"UcharTooBig", "uchar", "256", false, 0, "Value '256' out of range for uchar"},
        TokenCase{"UintNegative", "uint", "-1", false, 0, "Value '-1' out of range for uint"},
        TokenCase{"Int8TooSmall", "int8", "-129", false, 0, "Value '-129' out of range for int8"},
        TokenCase{"Int32TooBig", "int32", "2147483648", false, 0,
                  "Value '2147483648' out of range for int32"},
        TokenCase{"Uint32TooBig", "uint32", "4294967296", false, 0,
                  "Value '4294967296' out of range for uint32"},
        TokenCase{"BeyondInt64", "int", "99999999999999999999", false, 0,
                  "Value '99999999999999999999' out of range for int"},
        TokenCase{"Float32Overflow", "float", "1e39", false, 0,
                  "Value '1e39' out of range for float"},
        TokenCase{"Float32JustOver", "float32", "3.5e38", false, 0,
                  "Value '3.5e38' out of range for float32"},
        TokenCase{"Float64Overflow", "double", "1e309", false, 0,
                  "Value '1e309' out of range for double"},
        TokenCase{"IntFromFloatText", "int", "1.0", false, 0, "Invalid int value '1.0'"},
        TokenCase{"IntFromExponent", "int", "1e3", false, 0, "Invalid int value '1e3'"},
        TokenCase{"DoubleSign", "int", "+-1", false, 0, "Invalid int value '+-1'"},
        TokenCase{"DoubleSignFloat", "double", "+-1.5", false, 0, "Invalid double value '+-1.5'"},
        TokenCase{"PlusPlusFloat", "float", "++1", false, 0, "Invalid float value '++1'"},
        TokenCase{"MinusPlus", "int", "-+1", false, 0, "Invalid int value '-+1'"},
        TokenCase{"LoneMinus", "int", "-", false, 0, "Invalid int value '-'"},
        TokenCase{"NineteenDigits", "int", "0000000000000000000000042", true, 42, ""},
        TokenCase{"Int64Min", "double", "-9223372036854775808", true, -9223372036854775808.0, ""},
        TokenCase{"LoneSign", "float", "+", false, 0, "Invalid float value '+'"},
        TokenCase{"Hex", "int", "0x10", false, 0, "Invalid int value '0x10'"},
        // Float types take what the C runtime's strtod takes, within the type's finite range.
        TokenCase{"HexFloat", "double", "0x1p3", true, 8, ""},
        TokenCase{"HexFloatForms", "float", "-0X1.8P1", true, -3, ""},
        TokenCase{"HexWithoutExponent", "double", "+0xA.8", true, 10.5, ""},
        TokenCase{"HexFloat32Overflow", "float", "0x1p200", false, 0,
                  "Value '0x1p200' out of range for float"},
        TokenCase{"HexFloat32Underflow", "float", "-0x0.0001p-200", true, -0.0, ""},
        TokenCase{"HexWithoutDigits", "double", "0x", false, 0, "Invalid double value '0x'"},
        TokenCase{"HexSignAfterPrefix", "double", "0x-1", false, 0, "Invalid double value '0x-1'"},
        TokenCase{"Infinity", "double", "inf", false, 0, "Value 'inf' out of range for double"},
        TokenCase{"NegativeInfinity", "float", "-Infinity", false, 0,
                  "Value '-Infinity' out of range for float"},
        TokenCase{"Float32Beyond", "float", "1e40", false, 0,
                  "Value '1e40' out of range for float"},
        TokenCase{"Float64Beyond", "double", "1e400", false, 0,
                  "Value '1e400' out of range for double"},
        TokenCase{"NaN", "float", "nan", true, std::numeric_limits<double>::quiet_NaN(), ""},
        TokenCase{"NaNWithPayloadAnyCase", "double", "-NaN(x_1)", true,
                  -std::numeric_limits<double>::quiet_NaN(), ""},
        TokenCase{"NaNUnclosed", "double", "nan(1", false, 0, "Invalid double value 'nan(1'"},
        TokenCase{"NaNForInteger", "int", "nan", false, 0, "Invalid int value 'nan'"},
        TokenCase{"Comma", "float", "0,5", false, 0, "Invalid float value '0,5'"},
        TokenCase{"Trailing", "float", "1.5x", false, 0, "Invalid float value '1.5x'"},
        TokenCase{"Missing", "float", "", false, 0, "Unexpected end of file"},
        TokenCase{"Unprintable", "int", "1\x01", false, 0, "Invalid int value '1?'"},
        // The bytes on either side of the digits.
        TokenCase{"ColonAfterDigits", "int", "1234567:", false, 0, "Invalid int value '1234567:'"},
        TokenCase{"SlashInFraction", "float", "0.12/4", false, 0, "Invalid float value '0.12/4'"}),
    [](const testing::TestParamInfo<TokenCase> &info) { return std::string(info.param.name); });

// Whatever path a number takes inside the reader, its value is the one std::from_chars gives:
// random decimal texts of many shapes, plus values on float rounding midpoints.
TEST(PlyReadAscii, FloatsAreTheValuesFromCharsGives) {
    std::vector<std::string> tokens = {"16777217",
                                       "16777219",
                                       "-16777217",
                                       "33554433",
                                       "0.1",
                                       "1e22",
                                       "1e23",
                                       "9007199254740993",
                                       "9007199254740992",
                                       "4.35",
                                       "1.e5",
                                       "-.5",
                                       "0",
                                       "-0.000",
                                       "+7.25E-3",
                                       "3.4028235e38",
                                       "1.17549435e-38",
                                       "1e-45",
                                       "123456789012345678901234567890",
                                       "0.30000000000000004"};
    std::mt19937_64 random(2024);
    const auto digits = [&random](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + random() % 10);
        return text;
    };
    while (tokens.size() < 20000) {
        std::string token = random() % 4 == 0 ? "-" : random() % 8 == 0 ? "+" : "";
        const std::string whole = digits(static_cast<int>(random() % 12));
        const std::string fraction = digits(static_cast<int>(random() % 14));
        token += whole;
        if (!fraction.empty() || random() % 8 == 0) token += "." + fraction;
        if (whole.empty() && fraction.empty()) token += "5";
        if (random() % 3 == 0) {
            token += random() % 2 ? "e" : "E";
            token += random() % 2 ? "-" : random() % 2 ? "+" : "";
            token += std::to_string(random() % 25);
        }
        tokens.push_back(token);
    }
    std::string text = "ply\nformat ascii 1.0\nelement v " + std::to_string(tokens.size()) +
                       "\nproperty float f\nproperty double d\nend_header\n";
    for (const std::string &token : tokens) text += token + " " + token + "\n";
    const ReadResult result = read_all(text);
    ASSERT_TRUE(result.read_ok) << (result.errors.empty() ? "" : result.errors[0]);
    const std::vector<double> floats = values_of(result.calls, "f");
    const std::vector<double> doubles = values_of(result.calls, "d");
    ASSERT_EQ(floats.size(), tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string &token = tokens[i];
        const char *begin = token.data() + (token[0] == '+' ? 1 : 0);
        const char *end = token.data() + token.size();
        float f = 0;
        double d = 0;
        const auto float_result = std::from_chars(begin, end, f);
        const auto double_result = std::from_chars(begin, end, d);
        ASSERT_TRUE(float_result.ec == std::errc{} && double_result.ec == std::errc{}) << token;
        const auto read_float = static_cast<float>(floats[i]);
        ASSERT_EQ(std::memcmp(&read_float, &f, sizeof f), 0) << token << " as float";
        ASSERT_EQ(std::memcmp(&doubles[i], &d, sizeof d), 0) << token << " as double";
    }
}

// Integers of every length, with signs and leading zeros (up to 21 digits), each read as the
// number it says, most of them with eight or more bytes after them in the block.
TEST(PlyReadAscii, IntegersOfEveryLengthReadAsWritten) {
    std::mt19937_64 random(77);
    std::vector<std::string> tokens;
    std::vector<double> expected;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t scale = std::uint64_t{1} << (random() % 32);
        const auto magnitude = static_cast<std::int64_t>(random() % scale);
        const bool negative = random() % 3 == 0;
        std::string token = negative ? "-" : random() % 8 == 0 ? "+" : "";
        token += std::string(random() % 4 == 0 ? random() % 12 : 0, '0');
        token += std::to_string(magnitude);
        tokens.push_back(token);
        expected.push_back(static_cast<double>(negative ? -magnitude : magnitude));
        text += token + (random() % 2 ? " " : "\n");
    }
    const ReadResult result =
        read_all("ply\nformat ascii 1.0\nelement v " + std::to_string(tokens.size()) +
                 "\nproperty int i\nend_header\n" + text);
    ASSERT_TRUE(result.read_ok) << (result.errors.empty() ? "" : result.errors[0]);
    const std::vector<double> values = values_of(result.calls, "i");
    ASSERT_EQ(values.size(), tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) ASSERT_EQ(values[i], expected[i]) << tokens[i];
}

TEST(PlyReadBinary, PartialValueAtEndOfFile) {
    for (const char *format : {"binary_little_endian", "binary_big_endian"}) {
        const ReadResult result = read_all(std::string("ply\nformat ") + format +
                                           " 1.0\nelement vertex 1\nproperty double x\n"
                                           "end_header\n" +
                                           std::string(5, '\0'));
        EXPECT_FALSE(result.read_ok);
        ASSERT_EQ(result.errors.size(), 1u);
        EXPECT_EQ(result.errors[0],
                  "Unexpected end of file in element 'vertex' (instance 0), property 'x'");
    }
}

TEST(PlyReadBinary, NanListLengthFails) {
    const std::string bytes =
        "ply\nformat binary_little_endian 1.0\nelement f 1\n"
        "property list float int i\nend_header\n" +
        Packer(false).put(std::nanf("")).bytes();
    const ReadResult result = read_all(bytes);
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_NE(result.errors[0].find("Invalid list length"), std::string::npos);
}

TEST(PlyReadBinary, AnyFloatBitPatternIsAValue) {
    const std::string bytes =
        "ply\nformat binary_big_endian 1.0\nelement v 3\n"
        "property float x\nend_header\n" +
        Packer(true)
            .put(std::numeric_limits<float>::infinity())
            .put(std::nanf(""))
            .put(-0.0f)
            .bytes();
    const ReadResult result = read_all(bytes);
    ASSERT_TRUE(result.read_ok);
    ASSERT_EQ(result.calls.size(), 3u);
    EXPECT_TRUE(std::isinf(result.calls[0].value));
    EXPECT_TRUE(std::isnan(result.calls[1].value));
    EXPECT_TRUE(std::signbit(result.calls[2].value));
}

TEST(PlyReadBinary, CrLfHeaderDataStartsAfterTheLineFeed) {
    // The data's first bytes are CR and LF themselves.
    const std::string bytes =
        "ply\r\nformat binary_little_endian 1.0\r\nelement v 2\r\n"
        "property uchar a\r\nproperty ushort b\r\nend_header\r\n" +
        Packer(false)
            .put(std::uint8_t{'\r'})
            .put(std::uint16_t{'\n'})
            .put(std::uint8_t{'\n'})
            .put(std::uint16_t{0x0d0a})
            .bytes();
    const ReadResult result = read_all(bytes);
    ASSERT_TRUE(result.read_ok);
    EXPECT_EQ(values_of(result.calls, "a"), (std::vector<double>{13, 10}));
    EXPECT_EQ(values_of(result.calls, "b"), (std::vector<double>{10, 0x0d0a}));
}

// Files larger than one read block (1 MiB): values, tokens and header lines that straddle the
// blocks' boundary.
constexpr std::size_t kBlock = std::size_t{1} << 20;

TEST(PlyReadFile, BinaryValuesStraddleBlocks) {
    plytest::Scratch scratch;
    const std::size_t count = kBlock / 3 + 1000;  // 3-byte instances: some straddle a boundary
    std::string text = "ply\nformat binary_big_endian 1.0\nelement v " + std::to_string(count) +
                       "\nproperty uchar a\nproperty short b\nend_header\n";
    Packer packer(true);
    for (std::size_t i = 0; i < count; ++i)
        packer.put(static_cast<std::uint8_t>(i)).put(static_cast<std::int16_t>(i * 7));
    plytest::write_file(scratch.path / "big.ply", text + packer.bytes());
    const ReadResult result = plytest::read_file(scratch.path / "big.ply");
    ASSERT_TRUE(result.read_ok);
    ASSERT_EQ(result.calls.size(), 2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(result.calls[2 * i].value, static_cast<std::uint8_t>(i));
        ASSERT_EQ(result.calls[2 * i + 1].value, static_cast<std::int16_t>(i * 7));
    }
}

TEST(PlyReadFile, AsciiTokensStraddleBlocks) {
    plytest::Scratch scratch;
    std::string text = "ply\nformat ascii 1.0\nelement v 3\nproperty double x\nend_header\n";
    // Put "123.456" across the first boundary and a token longer than a block after it.
    text += std::string(kBlock - text.size() - 3, ' ') + "123.456 ";
    text += "0." + std::string(kBlock + 10, '0') + "1e1048591 ";
    text += std::string(kBlock, '\n') + "-7";  // the last token ends the file
    plytest::write_file(scratch.path / "ascii.ply", text);
    const ReadResult result = plytest::read_file(scratch.path / "ascii.ply");
    ASSERT_TRUE(result.read_ok) << (result.errors.empty() ? "" : result.errors[0]);
    EXPECT_EQ(values_of(result.calls, "x"), (std::vector<double>{123.456, 10000, -7}));
}

TEST(PlyReadFile, HeaderLinesStraddleBlocks) {
    plytest::Scratch scratch;
    const std::string comment(kBlock + 5, 'c');
    std::string text = "ply\r\nformat ascii 1.0\r\ncomment " + comment +
                       "\r\nelement v 1\r\nproperty int x\r\nend_header\r\n";
    text += std::string(kBlock - text.size() % kBlock - 1, ' ') + "\r\n5\n";
    plytest::write_file(scratch.path / "header.ply", text);
    errors().clear();
    p_ply ply =
        ply_open((scratch.path / "header.ply").string().c_str(), plytest::log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    ASSERT_EQ(ply_read_header(ply), 1);
    EXPECT_EQ(std::string(ply_get_next_comment(ply, nullptr)), comment);
    std::vector<Call> calls;
    ply_set_read_cb(ply, "v", "x", plytest::record_call, &calls, 0);
    EXPECT_EQ(ply_read(ply), 1);
    EXPECT_EQ(ply_close(ply), 1);
    EXPECT_EQ(values_of(calls, "x"), std::vector<double>{5});
}

TEST(PlyReadFile, TruncatedBinaryFileAcrossBlocks) {
    plytest::Scratch scratch;
    std::string text =
        "ply\nformat binary_little_endian 1.0\nelement v 1000000\nproperty double x\nend_header\n";
    text += std::string(kBlock + 3, '\0');
    plytest::write_file(scratch.path / "cut.ply", text);
    const ReadResult result = plytest::read_file(scratch.path / "cut.ply");
    EXPECT_FALSE(result.read_ok);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0], "Unexpected end of file in element 'v' (instance " +
                                    std::to_string((kBlock + 3) / 8) + "), property 'x'");
}

}  // namespace
