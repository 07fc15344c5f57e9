// Importing and exporting hostile files in a scratch folder through the real exports, under the
// memory and time bound of bounded_call.h.
#pragma once

#include <string>

#include "support/test_files.h"

namespace tolvane::test {

struct HostileRun {
    float result = 0;
    std::string left;  // the folder's listing afterwards
};

// PLYImport of `ply` (in.ply) to out.vyn.
HostileRun import_hostile(const std::string &ply, bool bounded = true);
// PLYExport of `interchange` (in.vyn) to out.ply with option code `value`; `output` receives
// the PLY file when there is one.
HostileRun export_hostile(const std::string &interchange, bool bounded = true,
                          std::string *output = nullptr);

// The coloured one-triangle mesh as a PLY file in `format`.
std::string triangle_ply(const std::string &format);
// The same triangle as the host lays it out: vertex chunk at 32 (size at 36, count at 40),
// colour chunk at 84 (size 88, count 92), face chunk at 112 (size 116, count 120), its one
// record at 128 to 144, end marker to 160.
std::string host_triangle();

void put_u32(std::string &bytes, std::size_t offset, std::uint32_t value);

}  // namespace tolvane::test
