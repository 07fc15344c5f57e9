#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace tolvane::fuzz {
namespace {

struct OwnedFolder {
    std::filesystem::path path;
    OwnedFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path = base / ("tolvane-fuzz-" + std::to_string(random()));
            if (std::filesystem::create_directory(path)) break;
        }
    }
    ~OwnedFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

const std::filesystem::path &scratch_folder() {
    static OwnedFolder folder;
    return folder.path;
}

void empty_scratch_folder() {
    for (const auto &entry : std::filesystem::directory_iterator(scratch_folder())) {
        std::filesystem::remove_all(entry.path());
    }
}

std::vector<std::string> names_in(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void write_file(const std::filesystem::path &path, const std::uint8_t *data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    require(static_cast<bool>(out), "cannot write the scratch file " + path.string());
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    require(static_cast<bool>(in), "cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void broken(const std::string &what) {
    std::fprintf(stderr, "\n*** broken promise: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

HostBuffer::HostBuffer(const std::string &text) {
    require(text.size() < sizeof bytes, "a scratch path longer than the host's buffer");
    std::copy(text.begin(), text.end(), bytes);
}

}  // namespace tolvane::fuzz
