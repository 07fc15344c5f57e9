// The two kinds of file `tolvane info` explains. Each prints its report and gives the exit
// status: 0 when the conversion would succeed.
#pragma once

#include <string>

namespace tolvane::cli {

// `storage_word` is the format line's mode, as the file spells it.
int run_ply_info(const std::string &path, const std::string &storage_word);
int run_interchange_info(const std::string &path);

}  // namespace tolvane::cli
