// The values one import gathers from a PLY file before the interchange file is written.
#pragma once

#include <cstdint>
#include <vector>

#include "interchange/writer.h"

namespace tolvane::ply {

struct ImportBuffers {
    std::vector<float> coordinates;
    std::vector<std::int32_t> face_indices;  // four per accepted face; -1 fourth for a triangle
    // Only the low 8 bits of a channel value reach the file, so only they are kept.
    std::vector<std::uint8_t> red;
    std::vector<std::uint8_t> green;
    std::vector<std::uint8_t> blue;
};

// The process-wide buffers: they keep their storage between imports, so that converting a
// series of similar meshes allocates once.
ImportBuffers &import_buffers();

void empty_buffers(ImportBuffers &buffers);

interchange::MeshBuffers as_mesh(const ImportBuffers &buffers);

}  // namespace tolvane::ply
