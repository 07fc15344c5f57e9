// Reads an interchange mesh file that the host wrote: vertex chunk, colour chunk, face chunk, in
// that order. The colour and face chunks are found by the host's own arithmetic (the colour
// chunk right after the vertex chunk's size, the face chunk right after V colour entries), not
// by walking every chunk size, so that files are read exactly as the host lays them out.
//
// Every read is checked against the bytes the file holds; positions are computed in 64 bits, so
// no size or count in a header can carry a read outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "interchange/format.h"
#include "platform/file_image.h"
#include "plylib/large_memory.h"

namespace tolvane::interchange {

// The whole file: its own pages mapped where the platform allows it, else a copy read in one
// block. While a mapped image lives, its file cannot be replaced on Windows.
struct FileBytes {
    platform::FileImage mapped;
    plylib::LargeMemory copy;
    std::size_t size = 0;

    std::span<const unsigned char> view() const {
        return {mapped ? mapped.get() : copy.get(), size};
    }
};

// The mesh as it lies in the file's bytes. Nothing is copied: the views stay valid as long as
// the FileBytes they were read from.
struct HostMesh {
    std::uint32_t vertex_count = 0;            // V, the vertex chunk's element count
    std::uint32_t declared_faces = 0;          // F0, read where the colour chunk's size points
    std::size_t face_records = 0;              // the records the face chunk's size holds
    const unsigned char *positions = nullptr;  // vertex k at 12k: x, y, z as float32
    const unsigned char *colours = nullptr;    // vertex k at 4k: blue, green, red, unused
    const unsigned char *faces = nullptr;      // record i at 16i: a, b, c, d as int32
};

enum class ReadCondition {
    read,
    cannot_open,            // the file cannot be opened or read
    too_large,              // the file does not fit in memory
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

// Brings the whole file into memory. On failure `file` is empty.
ReadStatus load_file(const char *path, FileBytes &file);

// Walks bytes already in memory; `mesh` points into `bytes` on success.
ReadStatus walk_host_mesh(std::span<const unsigned char> bytes, HostMesh &mesh);

// load_file, then walk_host_mesh.
ReadStatus read_host_mesh(const char *path, FileBytes &file, HostMesh &mesh);

inline float position_value(const HostMesh &mesh, std::size_t vertex, int axis) {
    return load_f32(mesh.positions + vertex * kVertexSize + static_cast<std::size_t>(axis) * 4);
}

struct Colour {
    std::uint8_t red, green, blue;
};

inline Colour colour_of(const HostMesh &mesh, std::size_t vertex) {
    const unsigned char *entry = mesh.colours + vertex * kColourEntrySize;
    return {entry[2], entry[1], entry[0]};
}

struct FaceRecord {
    std::int32_t a, b, c, d;  // d < 0: the triangle a, b, c
};

inline FaceRecord face_record(const HostMesh &mesh, std::size_t record) {
    const unsigned char *at = mesh.faces + record * kFaceSize;
    return {load_i32(at), load_i32(at + 4), load_i32(at + 8), load_i32(at + 12)};
}

}  // namespace tolvane::interchange
