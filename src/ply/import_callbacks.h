// The PLY reader's callbacks that fill the import buffers. Each takes its target through the
// callback's user pointer.
#pragma once

#include "plylib/rply.h"

namespace tolvane::ply {

int on_coordinate(p_ply_argument argument);  // target: std::vector<float>
int on_channel(p_ply_argument argument);     // target: std::vector<std::uint8_t>
int on_face_index(p_ply_argument argument);  // target: std::vector<std::int32_t>

}  // namespace tolvane::ply
