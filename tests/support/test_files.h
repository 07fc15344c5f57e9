// Scratch folders and whole-file helpers for tests.
#pragma once

#include <filesystem>
#include <string>

namespace tolvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    // The path of `name` inside the folder, as a narrow string for the exports.
    std::string file(const std::string &name) const;
};

std::string read_bytes(const std::filesystem::path &path);
void write_bytes(const std::filesystem::path &path, const std::string &bytes);
bool exists(const std::filesystem::path &path);
// Names of the folder's entries, sorted, "." and ".." left out.
std::string listing(const std::filesystem::path &folder);

}  // namespace tolvane::test
