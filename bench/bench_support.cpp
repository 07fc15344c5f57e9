#include "bench_support.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace tolvane::bench {
namespace {

// Which build the figures are of, for scripts/bench's table (set by bench/CMakeLists.txt).
constexpr const char *kBuild = TOLVANE_BENCH_BUILD;

struct GridVertex {
    float x, y, z;
    unsigned char red, green, blue;
};

GridVertex grid_vertex(std::uint32_t i, std::uint32_t j) {
    return {static_cast<float>(i) * 0.001f,
            static_cast<float>(j) * 0.001f,
            static_cast<float>((i * 7 + j * 13) % 1000) * 0.0125f,
            static_cast<unsigned char>(i % 256),
            static_cast<unsigned char>(j % 256),
            static_cast<unsigned char>((i + j) % 256)};
}

Grid g_grid;

// Triangle t of the closed grid: two per cell, the grid wrapping round in both directions.
std::array<std::int32_t, 3> grid_triangle(std::uint64_t t) {
    const std::uint64_t cell = t / 2;
    const std::uint32_t width = g_grid.width, height = g_grid.height;
    const std::uint32_t i = static_cast<std::uint32_t>(cell % width);
    const std::uint32_t j = static_cast<std::uint32_t>(cell / width);
    const auto at = [width, height](std::uint32_t x, std::uint32_t y) {
        return static_cast<std::int32_t>((y % height) * width + (x % width));
    };
    if (t % 2 == 0) return {at(i, j), at(i + 1, j), at(i + 1, j + 1)};
    return {at(i, j), at(i + 1, j + 1), at(i, j + 1)};
}

struct BlockWriter {
    std::FILE *file;
    std::vector<char> block;
    bool big_endian = false;  // for the values of a binary PLY file
    explicit BlockWriter(const std::string &path) : file(std::fopen(path.c_str(), "wb")) {
        if (file == nullptr) throw std::runtime_error("cannot write " + path);
        block.reserve(1 << 20);
    }
    ~BlockWriter() {
        flush();
        std::fclose(file);
    }
    void flush() {
        std::fwrite(block.data(), 1, block.size(), file);
        block.clear();
    }
    void bytes(const void *data, std::size_t size) {
        if (block.size() + size > block.capacity()) flush();
        const char *p = static_cast<const char *>(data);
        block.insert(block.end(), p, p + size);
    }
    template <typename Value>
    void value(Value v) {
        unsigned char raw[sizeof v];
        std::memcpy(raw, &v, sizeof v);
        if (big_endian) std::reverse(raw, raw + sizeof v);
        bytes(raw, sizeof v);
    }
    void text(const std::string &s) { bytes(s.data(), s.size()); }
    template <typename Number>
    void number(Number n, char after) {
        std::array<char, 32> digits;
        char *end = std::to_chars(digits.data(), digits.data() + digits.size(), n).ptr;
        *end++ = after;
        bytes(digits.data(), static_cast<std::size_t>(end - digits.data()));
    }
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

const Grid &grid() {
    return g_grid;
}

bool parse_bench_options(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--vertices" && i + 1 < argc) {
            const double wanted = std::strtod(argv[++i], nullptr);
            if (!(wanted >= kGridWidth && wanted <= 200e6)) {
                std::fprintf(stderr, "--vertices takes %u to 200,000,000\n", kGridWidth);
                return false;
            }
            g_grid.height = static_cast<std::uint32_t>(wanted / kGridWidth);
        } else {
            std::fprintf(stderr, "usage: %s [--vertices N]\n", argv[0]);
            return false;
        }
    }
    return true;
}

void write_grid_ply(const std::string &path, PlyStorage storage) {
    BlockWriter out(path);
    const bool ascii = storage == PlyStorage::ascii;
    out.big_endian = storage == PlyStorage::binary_big_endian;
    const char *format = ascii            ? "ascii"
                         : out.big_endian ? "binary_big_endian"
                                          : "binary_little_endian";
    out.text(std::string("ply\nformat ") + format +
             " 1.0\ncomment benchmark grid\nelement vertex " + std::to_string(g_grid.vertices()) +
             "\nproperty float x\nproperty float y\nproperty float z\n"
             "property uchar red\nproperty uchar green\nproperty uchar blue\n"
             "element face " +
             std::to_string(g_grid.triangles()) +
             "\nproperty list uchar int vertex_indices\nend_header\n");
    for (std::uint32_t j = 0; j < g_grid.height; ++j) {
        for (std::uint32_t i = 0; i < g_grid.width; ++i) {
            const GridVertex v = grid_vertex(i, j);
            if (ascii) {
                out.number(v.x, ' ');
                out.number(v.y, ' ');
                out.number(v.z, ' ');
                out.number(int{v.red}, ' ');
                out.number(int{v.green}, ' ');
                out.number(int{v.blue}, '\n');
            } else {
                out.value(v.x), out.value(v.y), out.value(v.z);
                out.value(v.red), out.value(v.green), out.value(v.blue);
            }
        }
    }
    for (std::uint64_t t = 0; t < g_grid.triangles(); ++t) {
        const auto corners = grid_triangle(t);
        if (ascii) {
            out.text("3 ");
            out.number(corners[0], ' ');
            out.number(corners[1], ' ');
            out.number(corners[2], '\n');
        } else {
            out.value(static_cast<unsigned char>(3));
            for (const std::int32_t c : corners) out.value(c);
        }
    }
}

void write_grid_interchange(const std::string &path) {
    BlockWriter out(path);
    out.text("Vynb 1.0 Halvex Vyn Binary......");
    const auto header = [&](std::uint32_t tag, std::uint64_t element_size, std::uint64_t count) {
        out.value(tag);
        out.value(static_cast<std::int32_t>(16 + element_size * count));
        out.value(static_cast<std::uint32_t>(count));
        out.value(0.0f);
    };
    header(10001, 12, g_grid.vertices());
    for (std::uint32_t j = 0; j < g_grid.height; ++j) {
        for (std::uint32_t i = 0; i < g_grid.width; ++i) {
            const GridVertex v = grid_vertex(i, j);
            out.value(v.x), out.value(v.y), out.value(v.z);
        }
    }
    header(35001, 4, g_grid.vertices());
    for (std::uint32_t j = 0; j < g_grid.height; ++j) {
        for (std::uint32_t i = 0; i < g_grid.width; ++i) {
            const GridVertex v = grid_vertex(i, j);
            const std::array<unsigned char, 4> entry = {v.blue, v.green, v.red, 0};
            out.bytes(entry.data(), entry.size());
        }
    }
    header(20001, 16, g_grid.triangles());
    for (std::uint64_t t = 0; t < g_grid.triangles(); ++t) {
        const auto corners = grid_triangle(t);
        for (const std::int32_t c : corners) out.value(c);
        out.value(std::int32_t{-1});
    }
    const std::array<unsigned char, 16> end_marker{};
    out.bytes(end_marker.data(), end_marker.size());
}

std::uint64_t file_size(const std::string &path) {
    return std::filesystem::file_size(path);
}

double io_floor_seconds(const std::string &input, std::uint64_t output_bytes,
                        const std::string &scratch_output, int runs) {
    // 1 MiB a call: on a virtual machine each call costs several microseconds, so smaller
    // blocks would measure the calls rather than the bytes.
    std::vector<char> block(std::size_t{1} << 20, 'x');
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove(scratch_output);
        settle_disk();
        const auto start = std::chrono::steady_clock::now();
        std::FILE *in = std::fopen(input.c_str(), "rb");
        if (in == nullptr) throw std::runtime_error("cannot read " + input);
        std::uint64_t checksum = 0;
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) {
            checksum += static_cast<unsigned char>(block[got - 1]);
        }
        std::fclose(in);
        std::FILE *out = std::fopen(scratch_output.c_str(), "wb");
        if (out == nullptr) throw std::runtime_error("cannot write " + scratch_output);
        for (std::uint64_t left = output_bytes; left > 0;) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            std::fwrite(block.data(), 1, n, out);
            left -= n;
        }
        std::fclose(out);
        times.push_back(seconds_since(start));
        if (checksum == 1) std::printf(" ");  // keeps the reads from being optimised away
    }
    std::filesystem::remove(scratch_output);
    return median(times);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Measured measure_conversion(EntryPointFn entry, const std::string &input, double value,
                            const std::string &output, int runs) {
    std::string output_buffer = output;
    output_buffer.resize(std::max<std::size_t>(260, output.size() + 1), '\0');
    return measure_in_child(
        [&] { return entry(input.c_str(), value, output_buffer.data()) == 0.0f ? 0 : 1; }, runs,
        [&] {
            std::filesystem::remove(output);
            settle_disk();
        });
}

void print_result(const char *what, double seconds, double floor_seconds, double peak_ratio) {
    std::printf("RESULT\tbuild=%s\tname=%s\tseconds=%.4f\tfloor=%.4f\tratio=%.3f\tpeak_ratio=",
                kBuild, what, seconds, floor_seconds, seconds / floor_seconds);
    if (peak_ratio >= 0) {
        std::printf("%.3f\n", peak_ratio);
    } else {
        std::printf("-\n");
    }
}

void print_row(const char *what, double seconds, std::uint64_t bytes, double floor_seconds,
               std::uint64_t peak_bytes, std::uint64_t memory_reference,
               const char *memory_reference_name) {
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf(
        "%-28s %7.3f s  %8.1f MB/s  floor %6.3f s  ratio %5.2f  peak %7.1f MB = %4.2f x %s\n", what,
        seconds, mb / seconds, floor_seconds, seconds / floor_seconds,
        static_cast<double>(peak_bytes) / 1e6,
        static_cast<double>(peak_bytes) / static_cast<double>(memory_reference),
        memory_reference_name);
    print_result(what, seconds, floor_seconds,
                 static_cast<double>(peak_bytes) / static_cast<double>(memory_reference));
}

std::string scratch_folder() {
    static const std::string folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("tolvane-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("tolvane-bench-" + std::to_string(getpid())),
                                        ignored);
        });
        return path.string();
    }();
    return folder;
}

}  // namespace tolvane::bench
