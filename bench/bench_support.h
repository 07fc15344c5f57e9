// What the benchmarks share: the test mesh, the I/O floor it is judged against, and running a
// measured step in a child process to learn its peak memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "entry/calling_form.h"

namespace tolvane::bench {

// A closed grid (a torus) 2,000 vertices wide, with uchar colours and two triangles per vertex:
// 1,000 rows (2,000,000 vertices, 4,000,000 triangles) unless `--vertices N` asks for another
// size, which parse_bench_options() reads.
inline constexpr std::uint32_t kGridWidth = 2000;
struct Grid {
    std::uint32_t width = kGridWidth;
    std::uint32_t height = 1000;
    std::uint64_t vertices() const { return std::uint64_t{width} * height; }
    std::uint64_t triangles() const { return 2 * vertices(); }
};
const Grid &grid();
// False (with a message) on arguments it does not know.
bool parse_bench_options(int argc, char **argv);

enum class PlyStorage { ascii, binary_little_endian, binary_big_endian };

void write_grid_ply(const std::string &path, PlyStorage storage);
// The same mesh as an interchange file in the host's chunk order (vertex, colour, face).
void write_grid_interchange(const std::string &path);

std::uint64_t file_size(const std::string &path);

// The middle value (the upper middle of an even count): what every figure reports.
double median(std::vector<double> values);

// Seconds to read `input` and to write `output_bytes` to `scratch_output` with plain reads and
// writes of 1 MiB: what any conversion of these files must at least spend. Median of `runs`.
double io_floor_seconds(const std::string &input, std::uint64_t output_bytes,
                        const std::string &scratch_output, int runs);

struct Measured {
    double seconds = 0;            // of the body alone
    std::uint64_t peak_bytes = 0;  // peak resident memory added by the body
    int exit_code = 0;
};

// Runs `body` in a fresh child process, median of `runs`; `body` returns 0 on success. `before`
// runs in the child first, untimed (removing the previous run's output, say). Windows has no
// fork: there each run goes in this process, its peak memory sampled while it runs.
Measured measure_in_child(const std::function<int()> &body, int runs,
                          const std::function<void()> &before = {});

// Writes back everything written so far, so that flushing the generated input does not land in
// the middle of a measurement.
void settle_disk();

// Calls a conversion export (`entry` with text `input`, `value`, and `output` in a host-sized
// buffer) in a child, median of `runs`, with the output removed and the disk settled before each.
Measured measure_conversion(EntryPointFn entry, const std::string &input, double value,
                            const std::string &output, int runs);

// One machine-readable line of figures, which scripts/bench gathers into its table of all
// builds. `peak_ratio` below 0: not measured.
void print_result(const char *what, double seconds, double floor_seconds, double peak_ratio);

void print_row(const char *what, double seconds, std::uint64_t bytes, double floor_seconds,
               std::uint64_t peak_bytes, std::uint64_t memory_reference,
               const char *memory_reference_name);

// A folder for the benchmark's files, removed at exit.
std::string scratch_folder();

}  // namespace tolvane::bench
