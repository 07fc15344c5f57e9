// PLY import of a coloured grid mesh (2,000,000 vertices and 4,000,000 triangles unless
// --vertices N asks for another size) through the exported PLYImport, against the I/O floor of
// the same files measured in the same run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "host/plugin.h"

using namespace tolvane::bench;

int main(int argc, char **argv) {
    if (!parse_bench_options(argc, argv)) return 2;
    tolvane::host::Plugin plugin;
    std::string error;
    if (!tolvane::host::load_plugin(tolvane::host::default_plugin_path(), plugin, error)) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
        return 1;
    }
    const EntryPointFn ply_import = tolvane::host::find_entry(plugin, "PLYImport");
    const std::string folder = scratch_folder();
    const std::string output = folder + "/out.vyn";
    constexpr int kRuns = 3;

    std::printf("PLY import, %u x %u grid: %llu vertices, %llu triangles, uchar colours\n",
                grid().width, grid().height, static_cast<unsigned long long>(grid().vertices()),
                static_cast<unsigned long long>(grid().triangles()));
    const struct {
        const char *name;
        PlyStorage storage;
    } formats[] = {{"binary little-endian", PlyStorage::binary_little_endian},
                   {"binary big-endian", PlyStorage::binary_big_endian},
                   {"ascii", PlyStorage::ascii}};
    for (const auto &format : formats) {
        const std::string input = folder + "/grid.ply";
        write_grid_ply(input, format.storage);
        const Measured run = measure_conversion(ply_import, input, 0.0, output, kRuns);
        if (run.exit_code != 0) {
            std::fprintf(stderr, "PLYImport failed on the %s grid\n", format.name);
            return 1;
        }
        const std::uint64_t output_bytes = file_size(output);
        const double floor = io_floor_seconds(input, output_bytes, folder + "/floor.out", kRuns);
        std::printf("input %.1f MB, output %.1f MB\n", static_cast<double>(file_size(input)) / 1e6,
                    static_cast<double>(output_bytes) / 1e6);
        print_row(format.name, run.seconds, file_size(input), floor, run.peak_bytes, output_bytes,
                  "output");
    }
    return 0;
}
