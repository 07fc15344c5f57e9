// Writes the PLY files that the Windows builds import and compare, byte for byte, with what the
// Linux build makes of the same files. They lean on the places where builds may part ways:
// decimal text to float, doubles rounded to float (x87 on 32-bit x86 against SSE), integer
// truncation of colours given as floats, both byte orders, and meshes large enough to cross the
// readers' and writers' block boundaries many times.
//
// Usage: make_test_meshes FOLDER
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A fixed sequence, so that every run (and every platform) writes the same meshes.
struct Sequence {
    std::uint64_t state;
    std::uint32_t next() {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::uint32_t>(state >> 32);
    }
    double unit() { return next() / 4294967296.0; }
    double between(double low, double high) { return low + (high - low) * unit(); }
};

template <typename Value>
void put(std::FILE *file, Value value, bool big_endian) {
    unsigned char raw[sizeof(Value)];
    std::memcpy(raw, &value, sizeof(Value));
    // The generator runs on little-endian x86 only.
    if (big_endian) {
        for (std::size_t i = 0; i < sizeof(Value) / 2; ++i) {
            const unsigned char swapped = raw[i];
            raw[i] = raw[sizeof(Value) - 1 - i];
            raw[sizeof(Value) - 1 - i] = swapped;
        }
    }
    std::fwrite(raw, 1, sizeof(Value), file);
}

// Closes the file and tells whether every write and the close succeeded.
bool finish(File &file) {
    const bool written = std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && written;
}

File create(const std::string &folder, const char *name) {
    const std::string path = folder + "/" + name;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) std::fprintf(stderr, "make_test_meshes: cannot create %s\n", path.c_str());
    return file;
}

// The first grid row's vertices, then the next row's: quads and triangle pairs alternate.
template <typename WriteFace>
void grid_faces(int columns, int rows, WriteFace &&write_face) {
    for (int row = 0; row + 1 < rows; ++row) {
        for (int column = 0; column + 1 < columns; ++column) {
            const std::int32_t a = row * columns + column;
            const std::int32_t b = a + 1;
            const std::int32_t c = b + columns;
            const std::int32_t d = a + columns;
            if ((row + column) % 2 == 0) {
                const std::int32_t quad[] = {a, b, c, d};
                write_face(quad, 4);
            } else {
                const std::int32_t first[] = {a, b, c};
                const std::int32_t second[] = {a, c, d};
                write_face(first, 3);
                write_face(second, 3);
            }
        }
    }
}

int grid_face_count(int columns, int rows) {
    int count = 0;
    grid_faces(columns, rows, [&](const std::int32_t *, int) { ++count; });
    return count;
}

bool write_cube(const std::string &folder) {
    File file = create(folder, "cube_ascii.ply");
    if (!file) return false;
    std::fputs(
        "ply\nformat ascii 1.0\ncomment a unit cube, one colour per corner\n"
        "element vertex 8\nproperty float x\nproperty float y\nproperty float z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face 7\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 255 255 0\n"
        "0 0 1 0 255 255\n1 0 1 255 0 255\n1 1 1 255 255 255\n0 1 1 0 0 0\n"
        "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n3 3 0 4\n3 3 4 7\n",
        file.get());
    return finish(file);
}

// Numbers as the C runtime's strtod takes them, which each build parses with its own standard
// library: hexadecimal, NaN in its forms, values below a float's range, double colours.
bool write_strtod_forms(const std::string &folder) {
    File file = create(folder, "strtod_forms_ascii.ply");
    if (!file) return false;
    std::fputs(
        "ply\nformat ascii 1.0\n"
        "element vertex 4\nproperty float x\nproperty double y\nproperty float z\n"
        "property double red\nproperty float green\nproperty uchar blue\n"
        "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
        "0x1p3 -0X1.8P1 1e-50 255.9 0x1.fp7 9\n"
        "nan NaN(payload_1) -nan 0x1p-1074 -0.0 1\n"
        "+0xA.8 0x1.fffffep127 -1e-45 1e300 7.5 2\n"
        "1.17549435e-38 4.9e-324 +3.4028234e38 -2.5 0x0p0 3\n"
        "3 0 1 2\n4 0 1 2 3\n",
        file.get());
    return finish(file);
}

// Decimal text in many shapes: every significant digit a double holds, exponents, values that
// fall halfway between floats, and colours written as fractional floats.
bool write_ascii_grid(const std::string &folder, int columns, int rows) {
    File file = create(folder, "grid_ascii.ply");
    if (!file) return false;
    std::fprintf(file.get(),
                 "ply\nformat ascii 1.0\nelement vertex %d\nproperty double x\n"
                 "property double y\nproperty double z\nproperty float red\n"
                 "property float green\nproperty float blue\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 columns * rows, grid_face_count(columns, rows));
    Sequence sequence{7};
    for (int i = 0; i < columns * rows; ++i) {
        const double x = sequence.between(-1000.0, 1000.0);
        const double y = sequence.between(-1e-3, 1e-3);
        const double z = sequence.between(-1.0, 1.0) * 1e30;
        std::fprintf(file.get(), "%.17g %.9e %.12g %.3f %.1f %g\n", x, y, z,
                     sequence.between(0.0, 255.99), sequence.between(0.0, 255.0),
                     static_cast<double>(sequence.next() % 256));
    }
    grid_faces(columns, rows, [&](const std::int32_t *indices, int count) {
        std::fprintf(file.get(), "%d", count);
        for (int k = 0; k < count; ++k) std::fprintf(file.get(), " %d", indices[k]);
        std::fputc('\n', file.get());
    });
    return finish(file);
}

// Floats of every exponent, bit patterns drawn at random (NaN and infinity left out, as a host
// never writes them), with byte colours.
bool write_binary_grid(const std::string &folder, int columns, int rows) {
    File file = create(folder, "grid_binary_little_endian.ply");
    if (!file) return false;
    std::fprintf(file.get(),
                 "ply\nformat binary_little_endian 1.0\nelement vertex %d\n"
                 "property float x\nproperty float y\nproperty float z\n"
                 "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                 "property uchar alpha\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 columns * rows, grid_face_count(columns, rows));
    Sequence sequence{11};
    for (int i = 0; i < columns * rows; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            std::uint32_t bits = sequence.next();
            if (((bits >> 23) & 0xff) == 0xff) bits &= ~(1u << 30);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            put(file.get(), value, false);
        }
        const std::uint32_t colour = sequence.next();
        for (int channel = 0; channel < 4; ++channel) {
            put(file.get(), static_cast<std::uint8_t>(colour >> (8 * channel)), false);
        }
    }
    grid_faces(columns, rows, [&](const std::int32_t *indices, int count) {
        put(file.get(), static_cast<std::uint8_t>(count), false);
        for (int k = 0; k < count; ++k) put(file.get(), indices[k], false);
    });
    return finish(file);
}

// Big-endian doubles, some beyond float's range and some between floats' neighbours, so that
// rounding to float is exercised; extra properties the import leaves alone; no colours.
bool write_big_endian_grid(const std::string &folder, int columns, int rows) {
    File file = create(folder, "grid_binary_big_endian.ply");
    if (!file) return false;
    std::fprintf(file.get(),
                 "ply\nformat binary_big_endian 1.0\nelement vertex %d\n"
                 "property double x\nproperty double y\nproperty double z\n"
                 "property float nx\nproperty short label\nelement face %d\n"
                 "property list uint int vertex_indices\nproperty uchar flags\nend_header\n",
                 columns * rows, grid_face_count(columns, rows));
    Sequence sequence{13};
    for (int i = 0; i < columns * rows; ++i) {
        put(file.get(), sequence.between(-1.0, 1.0), true);
        put(file.get(), sequence.between(-1.0, 1.0) * 1e-40, true);
        put(file.get(),
            i % 97 == 0 ? sequence.between(-1.0, 1.0) * 1e39 : sequence.between(-3.5e38, 3.5e38),
            true);
        put(file.get(), static_cast<float>(sequence.unit()), true);
        put(file.get(), static_cast<std::int16_t>(sequence.next()), true);
    }
    grid_faces(columns, rows, [&](const std::int32_t *indices, int count) {
        put(file.get(), static_cast<std::uint32_t>(count), true);
        for (int k = 0; k < count; ++k) put(file.get(), indices[k], true);
        put(file.get(), static_cast<std::uint8_t>(count), true);
    });
    return finish(file);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_meshes FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool written =
        write_cube(folder) && write_strtod_forms(folder) && write_ascii_grid(folder, 150, 120) &&
        write_binary_grid(folder, 400, 300) && write_big_endian_grid(folder, 200, 150);
    return written ? 0 : 1;
}
