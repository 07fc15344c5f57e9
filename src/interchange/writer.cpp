#include "interchange/writer.h"

#include <algorithm>
#include <array>
#include <vector>

#include "interchange/format.h"
#include "platform/safe_output.h"

namespace tolvane::interchange {
namespace {

bool fits_chunk(std::uint64_t count, std::size_t value_size) {
    return count <= (kMaxChunkSize - kChunkHeaderSize) / value_size;
}

void write_chunk_header(SafeOutput &out, std::uint32_t tag, std::size_t payload_bytes,
                        std::size_t element_count) {
    std::array<unsigned char, kChunkHeaderSize> header{};
    store_u32(header.data(), tag);
    store_u32(header.data() + 4, static_cast<std::uint32_t>(kChunkHeaderSize + payload_bytes));
    store_u32(header.data() + 8, static_cast<std::uint32_t>(element_count));
    write_output(out, header.data(), header.size());
}

// 32-bit values go out as they lie in memory on a little-endian machine, a block at a time
// otherwise.
template <typename Value>
void write_values(SafeOutput &out, std::span<const Value> values) {
    static_assert(sizeof(Value) == 4);
    if constexpr (std::endian::native == std::endian::little) {
        write_output(out, values.data(), values.size_bytes());
    } else {
        std::array<unsigned char, 1 << 16> block;
        std::size_t used = 0;
        for (const Value value : values) {
            store_u32(block.data() + used, std::bit_cast<std::uint32_t>(value));
            used += 4;
            if (used == block.size()) {
                write_output(out, block.data(), used);
                used = 0;
            }
        }
        write_output(out, block.data(), used);
    }
}

void write_colours(SafeOutput &out, const MeshBuffers &mesh) {
    const std::size_t count = mesh.red.size();
    const bool every_channel = mesh.green.size() >= count && mesh.blue.size() >= count;
    std::array<unsigned char, kColourEntrySize * 16384> block;
    for (std::size_t first = 0; first < count; first += block.size() / kColourEntrySize) {
        const std::size_t n = std::min(count - first, block.size() / kColourEntrySize);
        if (every_channel) {  // as a rule: each entry one store
            for (std::size_t i = 0, k = first; i < n; ++i, ++k) {
                store_u32(block.data() + i * kColourEntrySize,
                          std::uint32_t{mesh.blue[k]} | std::uint32_t{mesh.green[k]} << 8 |
                              std::uint32_t{mesh.red[k]} << 16);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t k = first + i;
                unsigned char *entry = block.data() + i * kColourEntrySize;
                entry[0] = k < mesh.blue.size() ? mesh.blue[k] : 0;
                entry[1] = k < mesh.green.size() ? mesh.green[k] : 0;
                entry[2] = mesh.red[k];
                entry[3] = 0;
            }
        }
        write_output(out, block.data(), n * kColourEntrySize);
    }
}

void write_end(SafeOutput &out, const MeshBuffers &mesh) {
    if (!mesh.red.empty()) {
        write_chunk_header(out, kColourTag, mesh.red.size() * kColourEntrySize, mesh.red.size());
        write_colours(out, mesh);
    }
    const std::array<unsigned char, kChunkHeaderSize> end_marker{};
    write_output(out, end_marker.data(), end_marker.size());
}

// The header of a chunk whose values are all written, over the one that held its place.
void patch_chunk_header(SafeOutput &out, const std::fpos_t &at, std::uint32_t tag,
                        std::uint64_t values, std::uint64_t per_element) {
    std::array<unsigned char, kChunkHeaderSize> header{};
    store_u32(header.data(), tag);
    store_u32(header.data() + 4, static_cast<std::uint32_t>(kChunkHeaderSize + values * 4));
    store_u32(header.data() + 8, static_cast<std::uint32_t>(values / per_element));
    patch_output(out, at, header.data(), header.size());
}

void close_vertex_chunk(StreamedMesh &mesh) {
    mesh.faces_started = true;
    output_position(mesh.out, &mesh.face_header);
    const std::array<unsigned char, kChunkHeaderSize> placeholder{};
    write_output(mesh.out, placeholder.data(), placeholder.size());
}

}  // namespace

bool start_streamed(StreamedMesh &mesh, const char *output_path) {
    if (!open_output(mesh.out, output_path)) return false;
    write_output(mesh.out, kMagic, kMagicSize);
    output_position(mesh.out, &mesh.vertex_header);
    const std::array<unsigned char, kChunkHeaderSize> placeholder{};
    write_output(mesh.out, placeholder.data(), placeholder.size());
    return true;
}

void stream_coordinates(StreamedMesh &mesh, std::span<const float> values) {
    write_values(mesh.out, values);
    mesh.coordinates += values.size();
}

void stream_face_indices(StreamedMesh &mesh, std::span<const std::int32_t> values) {
    if (!mesh.faces_started) close_vertex_chunk(mesh);
    write_values(mesh.out, values);
    mesh.face_indices += values.size();
}

WriteResult finish_streamed(StreamedMesh &mesh, const MeshBuffers &rest) {
    const std::uint64_t coordinates = mesh.coordinates + rest.coordinates.size();
    const std::uint64_t face_indices = mesh.face_indices + rest.face_indices.size();
    WriteResult refusal = WriteResult::written;
    if (coordinates == 0 || face_indices == 0) {
        refusal = WriteResult::nothing_to_write;
    } else if (!fits_chunk(coordinates, 4) || !fits_chunk(face_indices, 4) ||
               !fits_chunk(rest.red.size(), kColourEntrySize)) {
        refusal = WriteResult::too_large;
    }
    if (refusal != WriteResult::written) {
        discard_output(mesh.out);
        return refusal;
    }
    if (!mesh.faces_started) {
        stream_coordinates(mesh, rest.coordinates);
        close_vertex_chunk(mesh);
    }
    stream_face_indices(mesh, rest.face_indices);
    patch_chunk_header(mesh.out, mesh.vertex_header, kVertexTag, mesh.coordinates, 3);
    patch_chunk_header(mesh.out, mesh.face_header, kFaceTag, mesh.face_indices, 4);
    write_end(mesh.out, rest);
    return commit_output(mesh.out) ? WriteResult::written : WriteResult::write_failed;
}

WriteResult write_interchange(const char *output_path, const MeshBuffers &mesh) {
    if (mesh.coordinates.empty() || mesh.face_indices.empty()) return WriteResult::nothing_to_write;
    if (!fits_chunk(mesh.coordinates.size(), 4) || !fits_chunk(mesh.face_indices.size(), 4) ||
        !fits_chunk(mesh.red.size(), kColourEntrySize)) {
        return WriteResult::too_large;
    }

    SafeOutput out;
    if (!open_output(out, output_path)) return WriteResult::cannot_create;

    write_output(out, kMagic, kMagicSize);
    write_chunk_header(out, kVertexTag, mesh.coordinates.size_bytes(), mesh.coordinates.size() / 3);
    write_values(out, mesh.coordinates);
    write_chunk_header(out, kFaceTag, mesh.face_indices.size_bytes(), mesh.face_indices.size() / 4);
    write_values(out, mesh.face_indices);
    write_end(out, mesh);

    return commit_output(out) ? WriteResult::written : WriteResult::write_failed;
}

}  // namespace tolvane::interchange
