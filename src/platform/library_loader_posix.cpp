#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/library_loader.h"

namespace tolvane::platform {

bool load_library(const std::string &path, LoadedLibrary &library, std::string &error) {
    unload_library(library);
    library.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
        const char *why = dlerror();
        error = why != nullptr ? why : "cannot load " + path;
        return false;
    }
    return true;
}

void unload_library(LoadedLibrary &library) {
    if (library.handle != nullptr) dlclose(library.handle);
    library.handle = nullptr;
}

void *find_function(const LoadedLibrary &library, const char *name) {
    return library.handle != nullptr ? dlsym(library.handle, name) : nullptr;
}

std::string executable_folder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string result(path, static_cast<std::size_t>(length));
    const auto slash = result.find_last_of('/');
    return slash == std::string::npos ? "." : result.substr(0, slash);
}

const char *plugin_file_name() { return "libtolvane.so"; }
char path_separator() { return '/'; }

}  // namespace tolvane::platform
