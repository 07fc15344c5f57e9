#include <windows.h>

#include <vector>

#include "platform/library_loader.h"

namespace tolvane::platform {

bool load_library(const std::string &path, LoadedLibrary &library, std::string &error) {
    unload_library(library);
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        error = "cannot load " + path + " (Windows error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    library.handle = reinterpret_cast<void *>(module);
    return true;
}

void unload_library(LoadedLibrary &library) {
    if (library.handle != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(library.handle));
    library.handle = nullptr;
}

void *find_function(const LoadedLibrary &library, const char *name) {
    if (library.handle == nullptr) return nullptr;
    return reinterpret_cast<void *>(
        GetProcAddress(reinterpret_cast<HMODULE>(library.handle), name));
}

std::string executable_folder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return ".";
        if (length < path.size()) {
            std::string result(path.data(), length);
            const auto separator = result.find_last_of("\\/");
            return separator == std::string::npos ? "." : result.substr(0, separator);
        }
        path.resize(path.size() * 2);
    }
}

const char *plugin_file_name() { return "tolvane.dll"; }
char path_separator() { return '\\'; }

}  // namespace tolvane::platform
