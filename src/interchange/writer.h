// Writes an interchange mesh file: magic, vertex chunk, face chunk, colour chunk (when there is
// any red value), end marker.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/safe_output.h"

namespace tolvane::interchange {

struct MeshBuffers {
    std::span<const float> coordinates;          // in delivery order, three per vertex as a rule
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

// The same file written as its values arrive, so that a large mesh need not be held whole: the
// coordinates, then the face indices (each chunk's header is filled in once the chunk is
// complete), and at the end whatever was held back and the colours. The output path is touched
// only when finish_streamed() writes the file; the results and bytes are write_interchange()'s.
struct StreamedMesh {
    SafeOutput out;
    std::uint64_t coordinates = 0;  // written so far
    std::uint64_t face_indices = 0;
    bool faces_started = false;
    std::fpos_t vertex_header{};
    std::fpos_t face_header{};
};

// False when the output cannot be created (nothing is then written anywhere).
bool start_streamed(StreamedMesh &mesh, const char *output_path);
// Only before the first face index.
void stream_coordinates(StreamedMesh &mesh, std::span<const float> values);
void stream_face_indices(StreamedMesh &mesh, std::span<const std::int32_t> values);
// `rest` holds what was not streamed: the last coordinates (only while no face index was), the
// last face indices, and all the colours.
WriteResult finish_streamed(StreamedMesh &mesh, const MeshBuffers &rest);

}  // namespace tolvane::interchange
