// `tolvane info FILE`: a name ending in .ply means the user expects the import to read it, and
// one ending in .vyn the export, whatever the bytes hold: a user asking why a .ply file will not
// import needs the import's answer. Only a name that says neither leaves it to the first bytes,
// since hosts and tools name files as they please.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "cli/commands.h"
#include "cli/file_start.h"
#include "cli/info_parts.h"

namespace tolvane::cli {
namespace {

bool ends_with_ignoring_case(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - ending.size(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

int run_info(const host::Plugin &, const Arguments &args) {
    const std::string &path = args[0];
    const FileStart start = read_file_start(path);
    if (ends_with_ignoring_case(path, ".ply")) return run_ply_info(path, start);
    if (ends_with_ignoring_case(path, ".vyn")) return run_interchange_info(path);
    if (start.readable && starts_as_ply(start.bytes)) return run_ply_info(path, start);
    if (start.readable) return run_interchange_info(path);
    // Unreadable: what each conversion would say, since neither name nor bytes tell which.
    run_ply_info(path, start);
    run_interchange_info(path);
    return 1;
}

}  // namespace tolvane::cli
