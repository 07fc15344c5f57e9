// The plug-in, loaded once per test process from beside the test executable and reached only
// through its exports, as the host reaches it.
#pragma once

#include <string>

#include "host/plugin.h"

namespace tolvane::test {

const host::Plugin &plugin();

// The export `name`; the test fails (and the process stops) when it is missing.
EntryPointFn entry(const char *name);

// Calls an export the way the host does: a 260-byte buffer holding `buffer_text`.
float call(const char *name, const char *text, double value, const std::string &buffer_text);

}  // namespace tolvane::test
