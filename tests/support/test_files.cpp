#include "support/test_files.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tolvane::test {

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path = base / ("tolvane-test-" + std::to_string(random()) + "-" +
                       std::to_string(counter++));
        if (std::filesystem::create_directory(path)) break;
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path, ignored);
}

std::string ScratchFolder::file(const std::string &name) const { return (path / name).string(); }

std::string read_bytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_bytes(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

bool exists(const std::filesystem::path &path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::string listing(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto &name : names) joined += name + "\n";
    return joined;
}

}  // namespace tolvane::test
