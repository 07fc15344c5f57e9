// The plug-in as the host sees it: a library loaded by path and its nine exported functions,
// found by name.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "entry/calling_form.h"
#include "platform/library_loader.h"

namespace tolvane::host {

inline constexpr std::array<const char *, 9> kEntryPointNames = {
    "Version",    "PLYImport", "PLYExport",   "OpenFolder", "GetFile",
    "CloseFolder", "EmptyFolder", "FileDelete", "FileRename"};

struct Plugin {
    platform::LoadedLibrary library;
    std::array<EntryPointFn, kEntryPointNames.size()> entries{};  // null where not exported
};

// The plug-in built beside the running executable.
std::string default_plugin_path();

bool load_plugin(const std::string &path, Plugin &plugin, std::string &error);

// Null when the plug-in does not export `name` (or it is not one of the nine).
EntryPointFn find_entry(const Plugin &plugin, std::string_view name);

std::vector<std::string> missing_entries(const Plugin &plugin);

}  // namespace tolvane::host
