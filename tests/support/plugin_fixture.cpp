#include "support/plugin_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tolvane::test {

const host::Plugin &plugin() {
    static host::Plugin loaded = [] {
        host::Plugin result;
        std::string error;
        if (!host::load_plugin(host::default_plugin_path(), result, error)) {
            std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
            std::abort();
        }
        return result;
    }();
    return loaded;
}

EntryPointFn entry(const char *name) {
    EntryPointFn found = host::find_entry(plugin(), name);
    if (found == nullptr) {
        std::fprintf(stderr, "the plug-in does not export %s\n", name);
        std::abort();
    }
    return found;
}

float call(const char *name, const char *text, double value, const std::string &buffer_text) {
    std::vector<char> buffer(std::max<std::size_t>(260, buffer_text.size() + 1), '\0');
    std::copy(buffer_text.begin(), buffer_text.end(), buffer.begin());
    return entry(name)(text, value, buffer.data());
}

}  // namespace tolvane::test
