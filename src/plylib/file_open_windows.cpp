#include <windows.h>

#include <cwchar>
#include <string>

#include "plylib/file_open.h"

namespace plylib {
namespace {

// The wide form of a UTF-8 name; empty when the name is not valid UTF-8.
std::wstring widen_utf8(const char *name) {
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide.data(), size) != size)
        return {};
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

}  // namespace

FileHandle open_file(const char *name, const char *mode) {
    const std::wstring wide_name = widen_utf8(name);
    if (wide_name.empty()) return FileHandle(std::fopen(name, mode));
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return FileHandle(_wfopen(wide_name.c_str(), wide_mode.c_str()));
}

}  // namespace plylib
