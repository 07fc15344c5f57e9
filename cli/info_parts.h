// The two kinds of file `tolvane info` explains. Each prints its report and gives the exit
// status: 0 when the conversion would succeed.
#pragma once

#include <string>

#include "cli/file_start.h"

namespace tolvane::cli {

// `start` is the file's first bytes, which tell a file that is no PLY file at all.
int run_ply_info(const std::string &path, const FileStart &start);
int run_interchange_info(const std::string &path);

}  // namespace tolvane::cli
