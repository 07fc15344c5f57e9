// Writes an interchange mesh file: magic, vertex chunk, face chunk, colour chunk (when there is
// any red value), end marker.
#pragma once

#include <cstdint>
#include <span>

namespace tolvane::interchange {

struct MeshBuffers {
    std::span<const float> coordinates;         // in delivery order, three per vertex as a rule
    std::span<const std::int32_t> face_indices;  // four per face
    // Colour channels, one per vertex; only their low 8 bits ever reach the file. A missing
    // green or blue value counts as 0.
    std::span<const std::uint8_t> red;
    std::span<const std::uint8_t> green;
    std::span<const std::uint8_t> blue;
};

enum class WriteResult {
    written,
    nothing_to_write,  // no coordinate or no face index value: the output is not touched
    cannot_create,     // the output cannot be opened for writing: it is not touched
    write_failed,      // a write or the close failed: the output is as it was before
    too_large,         // a chunk would not fit the format's 32-bit sizes: nothing is touched
};

WriteResult write_interchange(const char *output_path, const MeshBuffers &mesh);

}  // namespace tolvane::interchange
