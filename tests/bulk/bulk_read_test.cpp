// Files read through callbacks and into columns must give the same values, results and
// messages: the layouts a fuzzer rarely builds, and files large enough to cross many blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "bulk/bulk_differential.h"
#include "ply/import.h"
#include "plylib/rply_bulk.h"

namespace {

using tolvane::bulk::compare_reads;
using namespace std::string_literals;

// Packed values in either byte order.
struct Packed {
    explicit Packed(bool big) : big_endian(big) {}
    bool big_endian;
    std::string bytes;

    template <typename T>
    Packed &put(T value) {
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        if (big_endian) std::reverse(raw, raw + sizeof(T));
        bytes.append(reinterpret_cast<const char *>(raw), sizeof(T));
        return *this;
    }
};

std::string header(const char *format, const std::string &declarations, const char *eol = "\n") {
    std::string text = std::string("ply") + eol + "format " + format + " 1.0" + eol;
    std::string line;
    for (char c : declarations) {
        if (c == '\n') {
            text += line + eol;
            line.clear();
        } else {
            line += c;
        }
    }
    return text + line + "end_header" + eol;
}

const std::string kMeshDeclarations =
    "element vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
    "element face 3\nproperty list uchar int vertex_indices\n";

std::string binary_mesh(bool big_endian, bool truncate_last = false) {
    Packed body{big_endian};
    for (int v = 0; v < 4; ++v) {
        body.put(v * 0.5f)
            .put(-1.25f * v)
            .put(3.0f)
            .put(std::uint8_t(v))
            .put(std::uint8_t(255))
            .put(std::uint8_t(7));
    }
    body.put(std::uint8_t(3)).put(0).put(1).put(2);
    body.put(std::uint8_t(4)).put(0).put(1).put(2).put(3);
    body.put(std::uint8_t(5)).put(0).put(1).put(2).put(3).put(-7);
    if (truncate_last) body.bytes.resize(body.bytes.size() - 3);
    return header(big_endian ? "binary_big_endian" : "binary_little_endian", kMeshDeclarations) +
           body.bytes;
}

// Every type word, as scalars and as list counts and entries, in one element.
std::string every_type(bool big_endian) {
    const char *words[] = {"int8",    "uint8",   "int16", "uint16", "int32", "uint32",
                           "float32", "float64", "char",  "uchar",  "short", "ushort",
                           "int",     "uint",    "float", "double"};
    std::string declarations = "element thing 3\n";
    for (const char *word : words)
        declarations += std::string("property ") + word + " s_" + word + "\n";
    declarations += "property list int8 double l\nproperty list float int16 m\n";
    Packed body{big_endian};
    for (int i = 0; i < 3; ++i) {
        const int s = i == 1 ? -1 : 1;
        body.put(std::int8_t(-100 * s))
            .put(std::uint8_t(200))
            .put(std::int16_t(-30000 * s))
            .put(std::uint16_t(60000))
            .put(std::int32_t(-2000000000 * s))
            .put(std::uint32_t(4000000000u))
            .put(1e30f * static_cast<float>(s))
            .put(-1e300 * s)
            .put(std::int8_t(5))
            .put(std::uint8_t(6))
            .put(std::int16_t(7))
            .put(std::uint16_t(8))
            .put(std::int32_t(9))
            .put(std::uint32_t(10))
            .put(std::numeric_limits<float>::quiet_NaN())
            .put(2.5e9 * s);
        body.put(std::int8_t(i + 1));
        for (int j = 0; j <= i; ++j) body.put(1e10 * j - 0.75);
        body.put(static_cast<float>(i + 2));
        for (int j = 0; j < i + 2; ++j) body.put(std::int16_t(-j));
    }
    return header(big_endian ? "binary_big_endian" : "binary_little_endian", declarations) +
           body.bytes;
}

// A regular mesh big enough for several blocks of the reader (1 MiB).
std::string large_mesh(const char *format) {
    const std::string mode = format;
    const int side = 300;
    std::string declarations = "element vertex " + std::to_string(side * side) +
                               "\nproperty float x\nproperty double y\nproperty float z\n"
                               "property uchar red\nproperty float green\nproperty int blue\n"
                               "element face " +
                               std::to_string((side - 1) * (side - 1)) +
                               "\nproperty uchar flags\nproperty list uchar int vertex_indices\n";
    const bool big = mode == "binary_big_endian";
    Packed body{big};
    std::string text;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const float fx = static_cast<float>(x) * 0.1f;
            const double dy = y / 3.0;
            if (mode == "ascii") {
                text += std::to_string(fx) + " " + std::to_string(dy) + "\t1e-3 " +
                        std::to_string(x % 256) + " 0.5 " + std::to_string(-y) + "\n";
            } else {
                body.put(fx).put(dy).put(1e-3f).put(std::uint8_t(x)).put(0.5f).put(-y);
            }
        }
    }
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x;
            const int n = 3 + (x + y) % 3;  // triangles, quads and pentagons in turn
            if (mode == "ascii") {
                text += "1 " + std::to_string(n);
                for (int k = 0; k < n; ++k) text += (k == 2 ? "\n " : " ") + std::to_string(a + k);
                text += "\n";
            } else {
                body.put(std::uint8_t(1)).put(std::uint8_t(n));
                for (int k = 0; k < n; ++k) body.put(a + k);
            }
        }
    }
    return header(format, declarations) + (mode == "ascii" ? text : body.bytes);
}

// A mesh in the shape an import reads straight from the block (float x, y, z; uchar colours;
// uchar-counted int faces) over several blocks, with NaNs and infinities among the coordinates
// and faces of every length around a triangle's and a quad's.
std::string import_shaped_mesh(bool big_endian) {
    const int vertices = 90000, faces = 120000;
    Packed body{big_endian};
    const float unusual[] = {std::numeric_limits<float>::quiet_NaN(),
                             -std::numeric_limits<float>::infinity(), 3e38f, -0.0f};
    for (int v = 0; v < vertices; ++v) {
        const float x = v % 997 == 0 ? unusual[(v / 997) % 4] : static_cast<float>(v) * 0.25f;
        body.put(x).put(-0.5f * static_cast<float>(v)).put(1e-3f);
        body.put(std::uint8_t(v)).put(std::uint8_t(v >> 8)).put(std::uint8_t(7));
    }
    const int lengths[] = {3, 4, 3, 3, 5, 4, 0, 3, 4, 2, 3, 1, 4, 4, 6};
    for (int f = 0; f < faces; ++f) {
        const int n = lengths[f % std::size(lengths)];
        body.put(std::uint8_t(n));
        for (int k = 0; k < n; ++k) body.put(f * 3 - k * 70001);
    }
    return header(big_endian ? "binary_big_endian" : "binary_little_endian",
                  "element vertex " + std::to_string(vertices) +
                      "\nproperty float x\nproperty float y\nproperty float z\n"
                      "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                      "element face " +
                      std::to_string(faces) + "\nproperty list uchar int vertex_indices\n") +
           body.bytes;
}

// Faces as the usual lines ("3 a b c", one blank apart) and every way a line can leave that
// form, over several blocks.
std::string ascii_faces() {
    const char *odd_lines[] = {"  3 1 2 3\n",
                               "3  1 2 3\n",
                               "3 1 2 3  \n",
                               "4 1 2 3 4\n",
                               "0\n",
                               "9 1 2 3 4 5 6 7 8 9\n",
                               "10 1 2 3 4 5 6 7 8 9 10\n",
                               "3 1234567 1 2\n",
                               "3 12345678 1 2\n",
                               "3 123456789 1 2\n",
                               "3 +1 2 3\n",
                               "+3 1 2 3\n",
                               "3 007 1 2\n",
                               "3\t1\t2\t3\r\n",
                               "3 1\n2 3\n",
                               "1 2147483647\n"};
    std::string body;
    int lines = 0;
    for (int i = 0; body.size() < 3 * 1024 * 1024; ++i, ++lines) {
        body += i % 50 == 0 ? odd_lines[(i / 50) % std::size(odd_lines)]
                            : "3 " + std::to_string(i) + " " + std::to_string(i * 7 % 10000000) +
                                  " " + std::to_string(i % 9) + "\n";
    }
    // Faces second, read into int32 rows as an import reads them.
    return header("ascii", "element vertex 0\nproperty float x\nelement face " +
                               std::to_string(lines + 1) +
                               "\nproperty list uchar int vertex_indices\n") +
           body + "3 1 2 3";
}

struct ReadCase {
    const char *name;
    std::string bytes;
};

std::vector<ReadCase> read_cases() {
    const std::string ascii_mesh_body =
        "0 0 0 255 128 0\n1.5 -2 1e-3 1 2 3\n0x1p3 nan -NaN(abc) 4 5 6\n7 8 9 10 11 12\n"
        "3 0 1 2\n4 0 1\n 2 3\n0\n";
    std::vector<ReadCase> cases = {
        {"binary little-endian mesh", binary_mesh(false)},
        {"binary big-endian mesh", binary_mesh(true)},
        {"binary mesh cut short in a list", binary_mesh(false, true)},
        {"every type, little-endian", every_type(false)},
        {"every type, big-endian", every_type(true)},
        {"ascii mesh over several lines", header("ascii", kMeshDeclarations) + ascii_mesh_body},
        {"ascii mesh with CR LF header",
         header("ascii", kMeshDeclarations, "\r\n") + ascii_mesh_body},
        {"ascii file ending without a line end",
         header("ascii", kMeshDeclarations) +
             ascii_mesh_body.substr(0, ascii_mesh_body.size() - 3) + "0"},
        {"ascii infinity refused", header("ascii", kMeshDeclarations) + "inf 0 0 1 2 3\n"},
        {"ascii value out of range", header("ascii", kMeshDeclarations) + "0 0 0 256 0 0\n"},
        {"ascii nan for an integer", header("ascii", kMeshDeclarations) + "0 0 0 nan 0 0\n"},
        {"ascii negative list length",
         header("ascii", "element face 2\nproperty list int8 int vertex_indices\n") +
             "3 1 2 3 -1\n"},
        {"ascii fractional list length",
         header("ascii", "element face 1\nproperty list float int vertex_indices\n") +
             "2.5 1 2 3\n"},
        {"faces before vertices",
         header("ascii",
                "element face 1\nproperty list uchar uint vertex_indices\n"
                "element vertex 1\nproperty double z\nproperty double x\n") +
             "3 4294967295 1 2\n1e300 -0.5\n"},
        {"repeated names",
         header("ascii",
                "element vertex 2\nproperty float x\nproperty float x\nproperty int y\n"
                "element vertex 1\nproperty float x\n") +
             "1 2 3\n4 5 6\n7\n"},
        // A name read with a NUL byte in it is what C callers see, its text up to the NUL: the
        // first element here is the one that "vertex" names, and its y is no list.
        {"a name with a NUL byte in it",
         header("ascii",
                "element vertex\0a 2\nproperty float y\nproperty float x\n"
                "element vertex 1\nproperty list uchar int y\n"s) +
             "1 2\n3 4\n2 5 6\n"},
        {"elements without properties or instances",
         header(
             "ascii",
             "element empty 5\nelement none 0\nproperty int a\nelement one 1\nproperty int b\n") +
             "42\n"},
        {"neighbours of one type under two type words",
         header("ascii", "element v 1\nproperty int16 a\nproperty short b\n") + "1 x\n"},
        {"large binary little-endian", large_mesh("binary_little_endian")},
        {"large binary big-endian", large_mesh("binary_big_endian")},
        {"large ascii", large_mesh("ascii")},
        {"ascii face lines of every shape", ascii_faces()},
    };
    // A refused line, with lines after it so that it lies well inside the block.
    for (const char *line : {"3 1 2 3x\n", "3 1 2 -3\n", "3 1 2 4294967296\n", "312 1 2 3\n"}) {
        const std::string faces =
            "element vertex 0\nproperty float x\n"
            "element face 5\nproperty list uchar uint vertex_indices\n";
        cases.push_back({"ascii face line refused",
                         header("ascii", faces) + line + "3 4 5 6\n3 4 5 6\n3 4 5 6\n3 4 5 6\n"});
    }
    return cases;
}

TEST(BulkRead, ColumnsHoldWhatTheCallbacksReceive) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tolvane_bulk_read_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    for (const ReadCase &c : read_cases()) {
        EXPECT_EQ(compare_reads(c.bytes), "") << c.name << ", from memory";
        // From a file, at every length up to a few bytes short, values cross blocks anywhere.
        const auto path = folder / "case.ply";
        std::ofstream(path, std::ios::binary) << c.bytes;
        EXPECT_EQ(compare_reads(c.bytes, path.string().c_str()), "") << c.name << ", from a file";
    }
    std::filesystem::remove_all(folder);
}

// Values that no column takes are only checked, plain decimals by their digits alone: each
// token must still be taken or refused, with the same message, as when it is kept. An element
// of a name after the first is never bound to a column.
TEST(BulkRead, ValuesOnlyCheckedAreTakenOrRefusedAsKeptOnes) {
    const std::string declarations = "element v 1\nproperty float a\nproperty double b\n";
    const std::string kept = header("ascii", declarations);
    const std::string checked =
        header("ascii", "element v 0\nproperty float a\nproperty double b\n" + declarations);
    std::vector<std::string> tokens = {std::string(38, '9'), std::string(39, '9'),
                                       std::string(309, '9'), "0." + std::string(60, '0') + "1"};
    for (const char *token : {"1.", ".5", "+.5", "-0", "-", "+", ".", "-.", "1e5", "1e40", "1x",
                              "--1", "+-1", "0x10", "nan", "inf", "1.5.5", "7\t8"})
        tokens.push_back(token);
    for (const std::string &token : tokens) {
        for (const std::string &line : {token + " 0\n", "0 " + token + "\n"}) {
            const auto as_kept = tolvane::bulk::read_by_columns(kept + line);
            const auto as_checked = tolvane::bulk::read_by_columns(checked + line);
            EXPECT_EQ(as_kept.data, as_checked.data) << line;
            EXPECT_EQ(as_kept.messages, as_checked.messages) << line;
        }
    }
}

// A record longer than a block is held whole all the same, and one cut by the end of the file
// is reported at the value that is cut.
TEST(BulkRead, RecordsLongerThanABlock) {
    constexpr int kProperties = 140000;  // doubles: a record takes more than a block
    std::string declarations = "element v 2\n";
    for (int p = 0; p < kProperties; ++p)
        declarations += "property double p" + std::to_string(p) + "\n";
    Packed body{false};
    for (int r = 0; r < 2; ++r) {
        for (int p = 0; p < kProperties; ++p) body.put(r * 1e6 + p);
    }
    const std::string bytes = header("binary_little_endian", declarations) + body.bytes;
    const auto path = std::filesystem::temp_directory_path() /
                      ("tolvane_long_records_" + std::to_string(std::random_device{}()) + ".ply");
    for (const std::size_t cut : {std::size_t{0}, std::size_t{5}}) {
        std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - cut);
        std::vector<std::string> messages;
        p_ply ply = ply_open(
            path.string().c_str(),
            [](p_ply handle, const char *message) {
                void *into = nullptr;
                ply_get_ply_user_data(handle, &into, nullptr);
                static_cast<std::vector<std::string> *>(into)->push_back(message);
            },
            0, &messages);
        ASSERT_NE(ply, nullptr);
        ASSERT_EQ(ply_read_header(ply), 1);
        plylib::Column column(plylib::ColumnType::float64);
        const char *names[] = {"p1", "p139998"};
        ASSERT_EQ(ply_set_read_column(ply, "v", names, 2, &column), 2);
        EXPECT_EQ(ply_read(ply), cut == 0 ? 1 : 0);
        ply_close(ply);
        if (cut == 0) {
            EXPECT_EQ(std::vector<double>(plylib::column_values<double>(column).begin(),
                                          plylib::column_values<double>(column).end()),
                      (std::vector<double>{1, 139998, 1e6 + 1, 1e6 + 139998}));
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{
                                    "Unexpected end of file in element 'v' (instance 1), "
                                    "property 'p139999'"});
        }
    }
    std::filesystem::remove(path);
}

TEST(BulkRead, ImportGivesTheSameFileEitherWay) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tolvane_bulk_import_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const std::string shapes[] = {
        // A list where a coordinate is expected, a scalar where the face list is.
        header("ascii",
               "element vertex 2\nproperty list uchar float x\nproperty float y\n"
               "element face 1\nproperty list uchar int vertex_indices\n") +
            "2 1 2 3\n0 4\n3 0 1 1\n",
        header("ascii",
               "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
               "element face 1\nproperty int vertex_indices\n") +
            "1 2 3\n0\n",
        // Only the first element whose name reads "vertex" is taken, its x being no list.
        header("ascii",
               "element vertex\0a 1\nproperty float x\nproperty float y\nproperty float z\n"
               "element vertex 1\nproperty list uchar int x\n"
               "element face 1\nproperty list uchar int vertex_indices\n"s) +
            "1 2 3\n1 7\n3 0 0 0\n",
        binary_mesh(true), large_mesh("binary_big_endian"), large_mesh("ascii"),
        import_shaped_mesh(false), import_shaped_mesh(true)};
    for (const std::string &bytes : shapes) {
        const auto input = folder / "in.ply";
        std::ofstream(input, std::ios::binary) << bytes;
        const auto usual = folder / "usual.vyn";
        const auto by_callbacks = folder / "callbacks.vyn";
        using tolvane::ply::ImportPath;
        const auto a = tolvane::ply::import_ply(input.string().c_str(), usual.string().c_str());
        const auto b = tolvane::ply::import_ply(
            input.string().c_str(), by_callbacks.string().c_str(), ImportPath::by_callbacks);
        EXPECT_EQ(a, b);
        std::ifstream one(usual, std::ios::binary), two(by_callbacks, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(one), {}),
                  std::string(std::istreambuf_iterator<char>(two), {}));
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
