#include "cli/file_start.h"

#include <cstdio>
#include <memory>
#include <string_view>

namespace tolvane::cli {
namespace {

// Far more than the "ply" line and the format line after it take in any real file.
constexpr std::size_t kStartSize = 4096;

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

constexpr std::string_view kBlanks = " \t";

// The line starting at `at` without its line end (LF, or CR LF); `at` moves past the line end.
std::string_view next_line(std::string_view text, std::size_t &at) {
    const std::size_t end = text.find('\n', at);
    std::string_view line = text.substr(at, end == std::string_view::npos ? end : end - at);
    at = end == std::string_view::npos ? text.size() : end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
}

std::string_view first_word(std::string_view line, std::size_t &at) {
    const std::size_t begin = line.find_first_not_of(kBlanks, at);
    if (begin == std::string_view::npos) return {};
    const std::size_t end = line.find_first_of(kBlanks, begin);
    at = end == std::string_view::npos ? line.size() : end;
    return line.substr(begin, at - begin);
}

}  // namespace

FileStart read_file_start(const std::string &path) {
    FileStart start;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return start;
    start.bytes.resize(kStartSize);
    start.bytes.resize(std::fread(start.bytes.data(), 1, kStartSize, file.get()));
    start.readable = !std::ferror(file.get());
    return start;
}

bool starts_as_ply(const std::string &bytes) {
    if (!bytes.starts_with("ply")) return false;
    const std::size_t end = bytes.find('\n');
    if (end == std::string::npos) return false;
    std::string_view rest = std::string_view(bytes).substr(3, end - 3);
    if (rest.ends_with('\r')) rest.remove_suffix(1);
    return rest.find_first_not_of(kBlanks) == std::string_view::npos;
}

std::string ply_storage_word(const std::string &bytes) {
    std::size_t at = 0;
    next_line(bytes, at);  // "ply"
    while (at < bytes.size()) {
        const std::string_view line = next_line(bytes, at);
        std::size_t word_at = 0;
        const std::string_view keyword = first_word(line, word_at);
        if (keyword.empty()) continue;  // blank lines may stand before the format line
        if (keyword != "format") return {};
        return std::string(first_word(line, word_at));
    }
    return {};
}

}  // namespace tolvane::cli
