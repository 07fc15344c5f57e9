// Small helpers for the sentences the stand-in host prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::cli {

// "1 vertex", "3 vertices".
inline std::string counted(std::uint64_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "x, y, z".
inline std::string joined(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

}  // namespace tolvane::cli
