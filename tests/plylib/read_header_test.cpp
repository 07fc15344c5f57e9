// Reading headers: the accepted forms, what they declare, and each kind of header error.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ply_test_support.h"

namespace {

using plytest::errors;
using plytest::log_error;

// Opens `bytes` from memory and reads the header; the handle is kept for inspection.
struct Header {
    explicit Header(const std::string &text) : bytes(text) {
        errors().clear();
        ply = ply_open_memory(bytes.data(), bytes.size(), log_error, 0, nullptr);
        ok = ply && ply_read_header(ply) == 1;
    }
    ~Header() { ply_close(ply); }
    std::vector<std::string> comments() const {
        std::vector<std::string> out;
        for (const char *c = ply_get_next_comment(ply, nullptr); c;
             c = ply_get_next_comment(ply, c))
            out.emplace_back(c);
        return out;
    }
    std::vector<std::string> obj_infos() const {
        std::vector<std::string> out;
        for (const char *c = ply_get_next_obj_info(ply, nullptr); c;
             c = ply_get_next_obj_info(ply, c))
            out.emplace_back(c);
        return out;
    }
    // "name count" per element and "name:type" or "name:list:count:value" per property.
    std::string declarations() const {
        std::string out;
        for (p_ply_element e = ply_get_next_element(ply, nullptr); e;
             e = ply_get_next_element(ply, e)) {
            const char *name = nullptr;
            long count = 0;
            ply_get_element_info(e, &name, &count);
            out += std::string(name) + " " + std::to_string(count) + ";";
            for (p_ply_property p = ply_get_next_property(e, nullptr); p;
                 p = ply_get_next_property(e, p)) {
                e_ply_type type, length_type, value_type;
                ply_get_property_info(p, &name, &type, &length_type, &value_type);
                out.append(name).append(":").append(std::to_string(type));
                if (type == PLY_LIST) {
                    out.append(":").append(std::to_string(length_type));
                    out.append(":").append(std::to_string(value_type));
                }
                out.append(";");
            }
        }
        return out;
    }

    std::string bytes;
    p_ply ply = nullptr;
    bool ok = false;
};

// The one message a failed header gave.
std::string only_error() {
    EXPECT_EQ(errors().size(), 1u);
    return errors().empty() ? std::string() : errors().front();
}

TEST(PlyReadHeader, DeclarationsCommentsAndObjInfo) {
    Header h(
        "ply\n"
        "format ascii 1.0\n"
        "comment made by hand\n"
        "obj_info  two  blanks kept \n"
        "element vertex 3\n"
        "property float x\n"
        "property double y\n"
        "comment between declarations\n"
        "element face 2\n"
        "property list uchar int vertex_indices\n"
        "element empty 0\n"
        "end_header\n");
    ASSERT_TRUE(h.ok) << (errors().empty() ? "" : errors()[0]);
    EXPECT_EQ(h.declarations(), "vertex 3;x:14;y:15;face 2;vertex_indices:16:9:12;empty 0;");
    EXPECT_EQ(h.comments(), (std::vector<std::string>{"made by hand", "between declarations"}));
    EXPECT_EQ(h.obj_infos(), (std::vector<std::string>{" two  blanks kept "}));
    EXPECT_TRUE(errors().empty());
}

TEST(PlyReadHeader, AllSixteenTypeWordsAreKnown) {
    const char *words[] = {"int8",    "uint8",   "int16", "uint16", "int32", "uint32",
                           "float32", "float64", "char",  "uchar",  "short", "ushort",
                           "int",     "uint",    "float", "double"};
    std::string text = "ply\nformat binary_big_endian 1.0\nelement e 1\n";
    for (const char *word : words) text += std::string("property ") + word + " p_" + word + "\n";
    text += "property list int8 double l\nend_header\n";
    Header h(text);
    ASSERT_TRUE(h.ok);
    std::string expected = "e 1;";
    for (int t = 0; t < 16; ++t)
        expected += std::string("p_") + words[t] + ":" + std::to_string(t) + ";";
    expected += "l:16:0:15;";
    EXPECT_EQ(h.declarations(), expected);
}

TEST(PlyReadHeader, CrLfLinesBlanksAndEmptyComments) {
    Header h(
        "ply\r\n"
        "format\tbinary_little_endian   1.0 \t\r\n"
        "comment\r\n"
        "comment with text\r\n"
        "\r\n"
        "  element   vertex\t1  \r\n"
        "property uchar red\r\n"
        "end_header \r\n");
    ASSERT_TRUE(h.ok) << (errors().empty() ? "" : errors()[0]);
    EXPECT_EQ(h.declarations(), "vertex 1;red:9;");
    EXPECT_EQ(h.comments(), (std::vector<std::string>{"", "with text"}));
}

TEST(PlyReadHeader, LongWordsAndCommentsHaveNoLimit) {
    const std::string long_name(100000, 'n');
    const std::string long_comment(300000, 'c');
    Header h("ply\nformat ascii 1.0\ncomment " + long_comment + "\nelement " + long_name +
             " 0\nproperty int " + long_name + "\nend_header\n");
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(h.comments(), std::vector<std::string>{long_comment});
    EXPECT_EQ(h.declarations(), long_name + " 0;" + long_name + ":12;");
}

TEST(PlyReadHeader, HugeCountsAreKeptAndClamped) {
    Header h(
        "ply\nformat ascii 1.0\nelement big 9223372036854775807\nelement plus +5\nend_header\n");
    ASSERT_TRUE(h.ok);
    // long may be 32-bit: what the API gives back is clamped to LONG_MAX.
    EXPECT_EQ(h.declarations(),
              std::string("big ").append(std::to_string(LONG_MAX)).append(";plus 5;"));
}

TEST(PlyReadHeader, SetReadCallbackReturnsInstanceCount) {
    Header h(
        "ply\nformat ascii 1.0\nelement vertex 12\nproperty float x\nelement face 0\n"
        "property list uchar int vertex_indices\nend_header\n");
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(ply_set_read_cb(h.ply, "vertex", "x", plytest::record_call, nullptr, 0), 12);
    EXPECT_EQ(ply_set_read_cb(h.ply, "vertex", "y", plytest::record_call, nullptr, 0), 0);
    EXPECT_EQ(ply_set_read_cb(h.ply, "edge", "x", plytest::record_call, nullptr, 0), 0);
    EXPECT_EQ(ply_set_read_cb(h.ply, "face", "vertex_indices", plytest::record_call, nullptr, 0),
              0);
}

TEST(PlyReadHeader, EndHeaderAtEndOfFileWithoutLineEnd) {
    Header h("ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nend_header");
    EXPECT_TRUE(h.ok);
}

struct BadHeader {
    const char *name;
    std::string text;
    std::string message;  // expected within the one error message
};

// Test names (and ctest's) show the case's name rather than its bytes.
void PrintTo(const BadHeader &c, std::ostream *out) {
    *out << c.name;
}

class PlyReadHeaderErrors : public testing::TestWithParam<BadHeader> {};

TEST_P(PlyReadHeaderErrors, FailWithOneMessage) {
    Header h(GetParam().text);
    EXPECT_FALSE(h.ok);
    EXPECT_NE(only_error().find(GetParam().message), std::string::npos)
        << "message: " << (errors().empty() ? "" : errors()[0]);
}

const std::string kFormat = "ply\nformat ascii 1.0\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, PlyReadHeaderErrors,
    testing::Values(
        BadHeader{"Empty", "", "Bad magic number"},
        BadHeader{"BadMagic", "plx\nformat ascii 1.0\nend_header\n", "Bad magic number"},
        BadHeader{"MagicWithMore", "ply2\nformat ascii 1.0\nend_header\n", "Bad magic number"},
        BadHeader{"MagicOnly", "ply", "Unexpected end of file in header"},
        BadHeader{"CrOnlyLineEnds", "ply\rformat ascii 1.0\rend_header\r", "Bad magic number"},
        BadHeader{"MissingFormat", "ply\nelement vertex 1\nend_header\n",
                  "Unexpected token 'element' in header line 2 (expected 'format')"},
        BadHeader{"UnknownFormat", "ply\nformat binary 1.0\nend_header\n",
                  "Unexpected token 'binary' in header line 2"},
        BadHeader{"BadVersion", "ply\nformat ascii 2.0\nend_header\n",
                  "Unexpected token '2.0' in header line 2 (expected version '1.0')"},
        BadHeader{"ShortFormat", "ply\nformat ascii\nend_header\n",
                  "Unexpected end of line in header line 2"},
        BadHeader{"ExtraFormatWord", "ply\nformat ascii 1.0 x\nend_header\n",
                  "Unexpected token 'x' in header line 2 (expected end of line)"},
        BadHeader{"UnknownKeyword", kFormat + "elemnt vertex 1\nend_header\n",
                  "Unexpected token 'elemnt' in header line 3"},
        BadHeader{"SecondFormat", kFormat + "format ascii 1.0\nend_header\n",
                  "Unexpected token 'format' in header line 3"},
        BadHeader{"UnknownType", kFormat + "element v 1\nproperty flaot x\nend_header\n",
                  "Unexpected token 'flaot' in header line 4 (expected a type)"},
        BadHeader{"ListAsScalarType", kFormat + "element v 1\nproperty list x\nend_header\n",
                  "Unexpected end of line in header line 4"},
        BadHeader{"ListOfLists", kFormat + "element v 1\nproperty list uchar list x\nend_header\n",
                  "Unexpected token 'list' in header line 4 (expected a type)"},
        BadHeader{"PropertyBeforeElement", kFormat + "property float x\nend_header\n",
                  "Property before any element in header line 3"},
        BadHeader{"NegativeCount", kFormat + "element v -1\nend_header\n",
                  "Invalid element count '-1' in header line 3"},
        BadHeader{"FloatCount", kFormat + "element v 1.0\nend_header\n",
                  "Invalid element count '1.0'"},
        BadHeader{"CountTooBig", kFormat + "element v 9223372036854775808\nend_header\n",
                  "Invalid element count"},
        BadHeader{"MissingCount", kFormat + "element v\nend_header\n",
                  "Unexpected end of line in header line 3"},
        BadHeader{"ExtraPropertyWord", kFormat + "element v 1\nproperty int x y\nend_header\n",
                  "Unexpected token 'y'"},
        BadHeader{"EndHeaderWithWord", kFormat + "end_header now\n", "Unexpected token 'now'"},
        BadHeader{"EndOfFileInHeader", kFormat + "element v 1\nproperty int x\n",
                  "Unexpected end of file in header"},
        BadHeader{"EndOfFileInLine", kFormat + "element v 1\nproperty in",
                  "Unexpected end of file in header"},
        BadHeader{"LongTokenIsShortened", kFormat + std::string(5000, 'z') + "\n",
                  "Unexpected token 'zzzzzzzz"}),
    [](const testing::TestParamInfo<BadHeader> &info) { return std::string(info.param.name); });

TEST(PlyReadHeader, LongTokenMessageStaysShort) {
    Header h(kFormat + std::string(5000, 'z') + "\n");
    ASSERT_FALSE(h.ok);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_LT(errors()[0].size(), 200u);
}

TEST(PlyReadHeader, HeaderIsReadOnce) {
    Header h(kFormat + "end_header\n");
    ASSERT_TRUE(h.ok);
    errors().clear();
    EXPECT_EQ(ply_read_header(h.ply), 0);
    EXPECT_EQ(errors().size(), 1u);
}

TEST(PlyReadHeader, ReadBeforeHeaderFails) {
    const std::string bytes = kFormat + "end_header\n";
    errors().clear();
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), log_error, 0, nullptr);
    ASSERT_NE(ply, nullptr);
    EXPECT_EQ(ply_read(ply), 0);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(ply_close(ply), 1);
}

TEST(PlyOpen, MissingFileGivesNullAndOneMessage) {
    plytest::Scratch scratch;
    errors().clear();
    EXPECT_EQ(ply_open((scratch.path / "missing.ply").string().c_str(), log_error, 0, nullptr),
              nullptr);
    EXPECT_EQ(errors().size(), 1u);
}

TEST(PlyOpen, UserDataOfTheHandle) {
    const std::string bytes = "ply\n";
    int anchor = 0;
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), log_error, 42, &anchor);
    void *pdata = nullptr;
    long idata = 0;
    EXPECT_EQ(ply_get_ply_user_data(ply, &pdata, &idata), 1);
    EXPECT_EQ(pdata, &anchor);
    EXPECT_EQ(idata, 42);
    ply_close(ply);
}

}  // namespace
