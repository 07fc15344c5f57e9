// The stand-in host's commands. Each calls the plug-in's exports by name, prints what they
// returned, and gives the process exit status.
#pragma once

#include <string>
#include <vector>

#include "host/plugin.h"

namespace tolvane::cli {

using Arguments = std::vector<std::string>;

// Calls one export, prints "Name returned R: what R means" and hands back R. Missing exports are
// reported by the caller before any command runs. `pointers_given` when no pointer the export
// reads is null: the words can then leave out the null causes.
float call_entry(const host::Plugin &plugin, const char *name, const char *text, double value,
                 char *buffer, bool pointers_given = true);
void print_result(const char *name, float result, bool pointers_given);
std::string format_result(float result);

int run_version(const host::Plugin &plugin, const Arguments &args);
int run_import(const host::Plugin &plugin, const Arguments &args);
int run_export(const host::Plugin &plugin, const Arguments &args);
int run_info(const host::Plugin &plugin, const Arguments &args);
int run_call(const host::Plugin &plugin, const Arguments &args);
int run_list(const host::Plugin &plugin, const Arguments &args);
int run_empty(const host::Plugin &plugin, const Arguments &args);
int run_remove(const host::Plugin &plugin, const Arguments &args);
int run_rename(const host::Plugin &plugin, const Arguments &args);

}  // namespace tolvane::cli
