// `tolvane info FILE`: a PLY file or an interchange file, told apart by their first bytes, since
// hosts and tools name files as they please.
#include "cli/commands.h"
#include "cli/file_start.h"
#include "cli/info_parts.h"

namespace tolvane::cli {

int run_info(const host::Plugin &, const Arguments &args) {
    const std::string &path = args[0];
    const FileStart start = read_file_start(path);
    if (start.readable && starts_as_ply(start.bytes)) {
        return run_ply_info(path, ply_storage_word(start.bytes));
    }
    if (start.readable) return run_interchange_info(path);
    // Unreadable: what each conversion would say, since the bytes cannot tell which was meant.
    run_ply_info(path, {});
    run_interchange_info(path);
    return 1;
}

}  // namespace tolvane::cli
