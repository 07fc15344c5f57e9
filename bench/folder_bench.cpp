// Lists a folder of many empty files through the plug-in's exports (OpenFolder, GetFile until
// the end, CloseFolder) and with the platform's own listing (opendir and readdir; on Windows
// the runtime's over FindFirstFile), and prints the best time of each and their ratio.
//
// usage: folder_bench [FILE_COUNT [PARENT_FOLDER]]
#include <dirent.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "bench_support.h"
#include "host/plugin.h"

namespace {

constexpr int kRounds = 5;

struct Listing {
    std::size_t entries = 0;
    std::size_t name_bytes = 0;  // both sides look at every name, as a caller would
};

struct BenchFolder {
    std::filesystem::path path;
    ~BenchFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

bool make_empty_files(const std::filesystem::path &folder, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = (folder / ("mesh" + std::to_string(i) + ".ply")).string();
        std::FILE *file = std::fopen(name.c_str(), "wb");
        if (file == nullptr) return false;
        std::fclose(file);
    }
    return true;
}

Listing list_through_exports(const tolvane::host::Plugin &plugin, const std::string &folder) {
    const auto open_folder = tolvane::host::find_entry(plugin, "OpenFolder");
    const auto get_file = tolvane::host::find_entry(plugin, "GetFile");
    const auto close_folder = tolvane::host::find_entry(plugin, "CloseFolder");
    Listing listing;
    if (open_folder(folder.c_str(), 0.0, nullptr) != 0.0f) return listing;
    std::array<char, 260> name{};
    while (get_file(nullptr, 0.0, name.data()) == 0.0f) {
        ++listing.entries;
        listing.name_bytes += std::strlen(name.data());
    }
    close_folder(nullptr, 0.0, nullptr);
    return listing;
}

Listing list_with_platform(const std::string &folder) {
    Listing listing;
    DIR *directory = opendir(folder.c_str());
    if (directory == nullptr) return listing;
    while (const dirent *entry = readdir(directory)) {
        ++listing.entries;
        listing.name_bytes += std::strlen(entry->d_name);
    }
    closedir(directory);
    return listing;
}

template <typename Lister>
double best_milliseconds(Lister &&list, Listing &listing) {
    double best = 0.0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        listing = list();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (round == 0 || took.count() < best) best = took.count();
    }
    return best;
}

}  // namespace

int main(int argc, char **argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::filesystem::path parent =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();

    tolvane::host::Plugin plugin;
    std::string error;
    if (!tolvane::host::load_plugin(tolvane::host::default_plugin_path(), plugin, error)) {
        std::fprintf(stderr, "folder_bench: cannot load the plug-in: %s\n", error.c_str());
        return 1;
    }
    for (const char *name : {"OpenFolder", "GetFile", "CloseFolder"}) {
        if (tolvane::host::find_entry(plugin, name) == nullptr) {
            std::fprintf(stderr, "folder_bench: the plug-in does not export %s\n", name);
            return 1;
        }
    }

    BenchFolder bench;
    bench.path = parent / ("tolvane-folder-bench-" + std::to_string(std::random_device{}()));
    std::error_code made;
    if (!std::filesystem::create_directory(bench.path, made) ||
        !make_empty_files(bench.path, count)) {
        std::fprintf(stderr, "folder_bench: cannot create %zu files in %s\n", count,
                     bench.path.string().c_str());
        return 1;
    }
    const std::string folder = bench.path.string();

    Listing through_exports;
    Listing with_platform;
    // Alternating which goes first would change nothing: both read a folder already cached by
    // its creation, and each takes its best of several rounds.
    const double exports_ms =
        best_milliseconds([&] { return list_through_exports(plugin, folder); }, through_exports);
    const double platform_ms =
        best_milliseconds([&] { return list_with_platform(folder); }, with_platform);

    std::printf("folder: %s, %zu empty files\n", folder.c_str(), count);
    std::printf("exports  (OpenFolder, GetFile, CloseFolder): %zu entries, best of %d: %.2f ms\n",
                through_exports.entries, kRounds, exports_ms);
    std::printf("platform (opendir, readdir, closedir):       %zu entries, best of %d: %.2f ms\n",
                with_platform.entries, kRounds, platform_ms);
    if (platform_ms > 0.0) {
        std::printf("ratio exports / platform: %.2f (target: at most 2)\n",
                    exports_ms / platform_ms);
    }
    tolvane::bench::print_result("folder listing", exports_ms / 1000.0, platform_ms / 1000.0, -1.0);
    if (through_exports.entries != with_platform.entries) {
        std::printf("note: the two listings saw different entry counts\n");
    }
    return 0;
}
