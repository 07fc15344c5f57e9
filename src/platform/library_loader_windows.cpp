#include <windows.h>

#include <vector>

#include "platform/library_loader.h"

namespace tolvane::platform {
namespace {

// The system's message for `code`; its "%1", where it has one, stands for the library's path.
std::string describe_error(DWORD code, const std::string &path) {
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : "";
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    if (const auto insert = result.find("%1"); insert != std::string::npos) {
        result.replace(insert, 2, path);
    }
    return result + (result.empty() ? "" : " ") + "(Windows error " + std::to_string(code) + ")";
}

}  // namespace

bool load_library(const std::string &path, LoadedLibrary &library, std::string &error) {
    unload_library(library);
    // A library that cannot be loaded is an error to report, not a dialog box to click away.
    DWORD previous_mode = 0;
    const bool mode_set = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_mode) != 0;
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD load_error = GetLastError();
    if (mode_set) SetThreadErrorMode(previous_mode, nullptr);
    if (module == nullptr) {
        error = describe_error(load_error, path);
        return false;
    }
    library.handle = reinterpret_cast<void *>(module);
    return true;
}

void unload_library(LoadedLibrary &library) {
    if (library.handle != nullptr) FreeLibrary(static_cast<HMODULE>(library.handle));
    library.handle = nullptr;
}

void *find_function(const LoadedLibrary &library, const char *name) {
    if (library.handle == nullptr) return nullptr;
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(library.handle), name);
    return reinterpret_cast<void *>(address);
}

std::string executable_folder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return ".";
        if (length < path.size()) {
            std::string result(path.data(), length);
            const auto separator = result.find_last_of("\\/");
            return separator == std::string::npos ? "." : result.substr(0, separator);
        }
        // Cut short: the path did not fit.
        path.resize(path.size() * 2);
    }
}

const char *plugin_file_name() { return "tolvane.dll"; }
char path_separator() { return '\\'; }

}  // namespace tolvane::platform
