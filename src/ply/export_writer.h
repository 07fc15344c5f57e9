// Writes a checked mesh as a PLY file through the PLY library, into a file beside the target
// that replaces it only once every byte is written.
#pragma once

#include <cstdint>

#include "interchange/reader.h"
#include "platform/safe_output.h"
#include "ply/export.h"

namespace tolvane::ply {

// `faces` is the count the header declares; it must be the number of faces the records give
// under `options` (see plan_export). On `exported`, every byte is written and closed in `output`,
// which the caller commits: the input may have to let go of the target first (the two may name
// one file).
ExportCondition write_ply(SafeOutput &output, const char *output_path,
                          const interchange::HostMesh &mesh, std::uint64_t faces,
                          const ExportOptions &options);

}  // namespace tolvane::ply
