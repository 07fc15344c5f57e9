#include "host/plugin.h"

#include <cstring>

namespace tolvane::host {

std::string default_plugin_path() {
    return platform::executable_folder() + platform::path_separator() +
           platform::plugin_file_name();
}

bool load_plugin(const std::string &path, Plugin &plugin, std::string &error) {
    plugin.entries = {};
    if (!platform::load_library(path, plugin.library, error)) return false;
    for (std::size_t i = 0; i < kEntryPointNames.size(); ++i) {
        void *address = platform::find_function(plugin.library, kEntryPointNames[i]);
        EntryPointFn entry = nullptr;
        static_assert(sizeof entry == sizeof address);
        std::memcpy(&entry, &address, sizeof entry);
        plugin.entries[i] = entry;
    }
    return true;
}

EntryPointFn find_entry(const Plugin &plugin, std::string_view name) {
    for (std::size_t i = 0; i < kEntryPointNames.size(); ++i) {
        if (name == kEntryPointNames[i]) return plugin.entries[i];
    }
    return nullptr;
}

std::vector<std::string> missing_entries(const Plugin &plugin) {
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < kEntryPointNames.size(); ++i) {
        if (plugin.entries[i] == nullptr) missing.emplace_back(kEntryPointNames[i]);
    }
    return missing;
}

}  // namespace tolvane::host
