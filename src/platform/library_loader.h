// Loading a shared library by path and finding its functions by name.
#pragma once

#include <string>

namespace tolvane::platform {

struct LoadedLibrary {
    void *handle = nullptr;

    LoadedLibrary() = default;
    LoadedLibrary(LoadedLibrary &&other) noexcept : handle(other.handle) { other.handle = nullptr; }
    LoadedLibrary &operator=(LoadedLibrary &&other) noexcept;
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;
    ~LoadedLibrary();
};

// On failure `error` says why, in the platform's words.
bool load_library(const std::string &path, LoadedLibrary &library, std::string &error);
void unload_library(LoadedLibrary &library);
void *find_function(const LoadedLibrary &library, const char *name);

// The folder holding the running executable, where the build puts the plug-in too.
std::string executable_folder();
// The plug-in's file name on this platform.
const char *plugin_file_name();
char path_separator();

}  // namespace tolvane::platform
