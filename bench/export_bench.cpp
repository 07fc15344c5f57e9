// PLY export of a coloured grid mesh (2,000,000 vertices and 4,000,000 triangles unless
// --vertices N asks for another size) through the exported
// PLYExport, against the I/O floor of the same files measured in the same run. MB/s are of the
// PLY file written; peak memory is set against the interchange file read.
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
    const EntryPointFn ply_export = tolvane::host::find_entry(plugin, "PLYExport");
    if (ply_export == nullptr) {
        std::fprintf(stderr, "the plug-in does not export PLYExport\n");
        return 1;
    }
    const std::string folder = scratch_folder();
    const std::string input = folder + "/grid.vyn";
    const std::string output = folder + "/out.ply";
    constexpr int kRuns = 3;

    write_grid_interchange(input);
    const std::uint64_t input_bytes = file_size(input);
    std::printf("PLY export, %u x %u grid: %llu vertices, %llu triangles, uchar colours\n",
                grid().width, grid().height, static_cast<unsigned long long>(grid().vertices()),
                static_cast<unsigned long long>(grid().triangles()));
    std::printf("input %.1f MB (interchange file, host order)\n",
                static_cast<double>(input_bytes) / 1e6);

    const struct {
        const char *name;
        double option_code;
    } formats[] = {{"binary little-endian", 1.0}, {"ascii", 0.0}};
    for (const auto &format : formats) {
        const Measured run =
            measure_conversion(ply_export, input, format.option_code, output, kRuns);
        if (run.exit_code != 0) {
            std::fprintf(stderr, "PLYExport failed writing %s\n", format.name);
            return 1;
        }
        const std::uint64_t output_bytes = file_size(output);
        const double floor = io_floor_seconds(input, output_bytes, folder + "/floor.out", kRuns);
        std::printf("output %.1f MB\n", static_cast<double>(output_bytes) / 1e6);
        print_row(format.name, run.seconds, output_bytes, floor, run.peak_bytes, input_bytes,
                  "input");
    }
    return 0;
}
