// What the fuzz targets share: a scratch folder of their own, failing loudly on a broken
// promise, and the exported functions, linked in as the host would find them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
float PLYImport(const char *text, double value, char *buffer);
float PLYExport(const char *text, double value, char *buffer);
float OpenFolder(const char *text, double value, char *buffer);
float GetFile(const char *text, double value, char *buffer);
float CloseFolder(const char *text, double value, char *buffer);
float EmptyFolder(const char *text, double value, char *buffer);
float FileDelete(const char *text, double value, char *buffer);
float FileRename(const char *text, double value, char *buffer);
}

namespace tolvane::fuzz {

// One folder per process under the system's temporary folder (TMPDIR), emptied before every
// input and removed at exit.
const std::filesystem::path &scratch_folder();
void empty_scratch_folder();

// The names in `folder`, sorted.
std::vector<std::string> names_in(const std::filesystem::path &folder);

void write_file(const std::filesystem::path &path, const std::uint8_t *data, std::size_t size);
std::string read_file(const std::filesystem::path &path);

// A promise the code under test broke: printed, then the process aborts, so that libFuzzer keeps
// the input that broke it.
[[noreturn]] void broken(const std::string &what);
inline void require(bool holds, const std::string &what) {
    if (!holds) broken(what);
}

// A call's path argument in a 260-byte buffer, as the host passes it.
struct HostBuffer {
    char bytes[260] = {};
    explicit HostBuffer(const std::string &text);
};

}  // namespace tolvane::fuzz
