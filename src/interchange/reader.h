// Reads an interchange mesh file that the host wrote: vertex chunk, colour chunk, face chunk, in
// that order. The colour and face chunks are found by the host's own arithmetic (the colour
// chunk right after the vertex chunk's size, the face chunk right after V colour entries), not
// by walking every chunk size, so that files are read exactly as the host lays them out.
//
// The walk reads only the chunk headers, each field checked against the file's size first;
// positions are computed in 64 bits, so no size or count in a header can carry a read outside the
// file. The payloads are then read by blocks (read_records), wherever the walk found them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interchange/format.h"
#include "interchange/input_file.h"

namespace tolvane::interchange {

// Where the mesh lies in the file, every byte of it checked to be there.
struct HostMesh {
    std::uint32_t vertex_count = 0;    // V, the vertex chunk's element count
    std::uint32_t declared_faces = 0;  // F0, read where the colour chunk's size points
    std::uint64_t face_records = 0;    // the records the face chunk's size holds
    std::uint64_t positions_at = 0;    // vertex k at +12k: x, y, z as float32
    std::uint64_t colours_at = 0;      // vertex k at +4k: blue, green, red, unused
    std::uint64_t faces_at = 0;        // record i at +16i: a, b, c, d as int32
};

enum class ReadCondition {
    read,
    cannot_open,            // the file cannot be opened or read
    unexpected_chunk,       // a chunk stands where another kind is required: see `tag`
    colour_count_mismatch,  // the colour chunk does not hold one entry per vertex
    ends_early,             // a header leads to bytes the file does not hold
};

// Which part of the walk a condition arose in; the stand-in host explains failures with it.
enum class ReadStep {
    open,
    vertex_header,   // tag, size and count at 32
    colour_header,   // tag, size and count at 32 + S1
    declared_faces,  // F0, at 32 + S1 + S2 + 8
    positions,       // 12 V bytes from 48
    colours,         // 4 V bytes from 32 + S1 + 16
    face_header,     // tag and size at P, right after the colour entries
    face_records,    // the records the face chunk's size covers
    done,
};

struct ReadStatus {
    ReadCondition condition = ReadCondition::read;
    ReadStep step = ReadStep::done;
    std::uint32_t tag = 0;  // the tag found, for unexpected_chunk
    // The byte range the failing step needed; `end` may lie past the file, `begin` before it.
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

// Reads the chunk headers of a file already open; `mesh` says where its payloads lie.
ReadStatus walk_host_mesh(const InputFile &file, HostMesh &mesh);

// The `count` elements of `size` bytes from element `first` of the payload at `payload`, into
// `out`. False when they cannot be read: the walk has checked that the file holds them.
inline bool read_elements(const InputFile &file, std::uint64_t payload, std::uint64_t first,
                          std::size_t count, std::size_t size, unsigned char *out) {
    return read_at(file, payload + first * size, out, count * size);
}

struct FaceRecord {
    std::int32_t a, b, c, d;  // d < 0: the triangle a, b, c
};

inline FaceRecord face_record(const unsigned char *at) {
    return {load_i32(at), load_i32(at + 4), load_i32(at + 8), load_i32(at + 12)};
}

}  // namespace tolvane::interchange
