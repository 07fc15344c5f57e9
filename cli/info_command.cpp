#include <cstdio>

#include "cli/commands.h"

namespace tolvane::cli {

int run_info(const host::Plugin &, const Arguments &) {
    std::fprintf(stderr, "tolvane: info is not available yet\n");
    return 2;
}

}  // namespace tolvane::cli
