#include "interchange/reader.h"

namespace tolvane::interchange {
namespace {

constexpr std::int64_t kFirstChunk = static_cast<std::int64_t>(kMagicSize);
constexpr std::int64_t kHeader = static_cast<std::int64_t>(kChunkHeaderSize);

ReadStatus failure(ReadCondition condition, ReadStep step, std::int64_t begin = 0,
                   std::int64_t end = 0) {
    ReadStatus status;
    status.condition = condition;
    status.step = step;
    status.begin = begin;
    status.end = end;
    return status;
}

// Every position is a signed 64-bit number: the largest one a header can make is about
// 2^31 + 16 * 2^32, far inside the range, and a negative one is caught here too.
bool holds(const InputFile &file, std::int64_t begin, std::int64_t length) {
    return begin >= 0 && length >= 0 && static_cast<std::uint64_t>(begin) <= file.size &&
           static_cast<std::uint64_t>(length) <= file.size - static_cast<std::uint64_t>(begin);
}

// A field that `holds` has placed inside the file: false only when reading it fails.
bool read_u32(const InputFile &file, std::int64_t offset, std::uint32_t &value) {
    unsigned char bytes[4];
    if (!read_at(file, static_cast<std::uint64_t>(offset), bytes, sizeof bytes)) return false;
    value = load_u32(bytes);
    return true;
}

ReadStatus unreadable(ReadStep step) {
    return failure(ReadCondition::cannot_open, step);
}

ReadStatus ends_early(ReadStep step, std::int64_t begin, std::int64_t length) {
    return failure(ReadCondition::ends_early, step, begin, begin + length);
}

ReadStatus unexpected(ReadStep step, std::uint32_t tag, std::int64_t offset) {
    ReadStatus status = failure(ReadCondition::unexpected_chunk, step, offset, offset + 4);
    status.tag = tag;
    return status;
}

}  // namespace

ReadStatus walk_host_mesh(const InputFile &file, HostMesh &mesh) {
    mesh = HostMesh{};

    // The magic is not compared: hosts differ in what they put there.
    std::uint32_t vertex_tag = 0;
    if (!holds(file, kFirstChunk, 4)) return ends_early(ReadStep::vertex_header, kFirstChunk, 4);
    if (!read_u32(file, kFirstChunk, vertex_tag)) return unreadable(ReadStep::vertex_header);
    if (vertex_tag != kVertexTag) {
        return unexpected(ReadStep::vertex_header, vertex_tag, kFirstChunk);
    }
    std::uint32_t vertex_chunk_size = 0, vertices = 0;
    if (!holds(file, kFirstChunk, 12)) return ends_early(ReadStep::vertex_header, kFirstChunk, 12);
    if (!read_u32(file, kFirstChunk + 4, vertex_chunk_size) ||
        !read_u32(file, kFirstChunk + 8, vertices)) {
        return unreadable(ReadStep::vertex_header);
    }

    // The vertex chunk's size says where the colour chunk starts, and nothing else.
    const std::int64_t colour_chunk = kFirstChunk + static_cast<std::int32_t>(vertex_chunk_size);
    std::uint32_t colour_tag = 0;
    if (!holds(file, colour_chunk, 4)) return ends_early(ReadStep::colour_header, colour_chunk, 4);
    if (!read_u32(file, colour_chunk, colour_tag)) return unreadable(ReadStep::colour_header);
    if (colour_tag != kColourTag) {
        return unexpected(ReadStep::colour_header, colour_tag, colour_chunk);
    }
    std::uint32_t colour_chunk_size = 0, colours = 0;
    if (!holds(file, colour_chunk + 4, 8)) {
        return ends_early(ReadStep::colour_header, colour_chunk + 4, 8);
    }
    if (!read_u32(file, colour_chunk + 4, colour_chunk_size) ||
        !read_u32(file, colour_chunk + 8, colours)) {
        return unreadable(ReadStep::colour_header);
    }
    if (colours != vertices) {
        return failure(ReadCondition::colour_count_mismatch, ReadStep::colour_header,
                       colour_chunk + 8, colour_chunk + 12);
    }

    // F0 is the count of whatever chunk the colour chunk's size points at.
    const std::int64_t declared_faces_at =
        colour_chunk + static_cast<std::int32_t>(colour_chunk_size) + 8;
    if (!holds(file, declared_faces_at, 4)) {
        return ends_early(ReadStep::declared_faces, declared_faces_at, 4);
    }

    const std::int64_t positions_at = kFirstChunk + kHeader;
    const std::int64_t positions_length = static_cast<std::int64_t>(kVertexSize) * vertices;
    if (!holds(file, positions_at, positions_length)) {
        return ends_early(ReadStep::positions, positions_at, positions_length);
    }
    const std::int64_t colours_at = colour_chunk + kHeader;
    const std::int64_t colours_length = static_cast<std::int64_t>(kColourEntrySize) * vertices;
    if (!holds(file, colours_at, colours_length)) {
        return ends_early(ReadStep::colours, colours_at, colours_length);
    }

    // The face chunk follows the V colour entries, whatever the colour chunk's size says.
    const std::int64_t face_chunk = colours_at + colours_length;
    std::uint32_t face_tag = 0;
    if (!holds(file, face_chunk, 4)) return ends_early(ReadStep::face_header, face_chunk, 4);
    if (!read_u32(file, face_chunk, face_tag)) return unreadable(ReadStep::face_header);
    if (face_tag != kFaceTag) return unexpected(ReadStep::face_header, face_tag, face_chunk);
    std::uint32_t face_chunk_size = 0;
    if (!holds(file, face_chunk, kHeader)) {
        return ends_early(ReadStep::face_header, face_chunk, kHeader);
    }
    if (!read_u32(file, face_chunk + 4, face_chunk_size)) {
        return unreadable(ReadStep::face_header);
    }

    // A record starts at every 16th byte from the header's end while inside the chunk's size, so
    // a size that is not a whole number of records still takes the record it cuts into.
    const std::int64_t payload = static_cast<std::int32_t>(face_chunk_size) - kHeader;
    const std::int64_t face_size = static_cast<std::int64_t>(kFaceSize);
    const std::int64_t records = payload > 0 ? (payload + face_size - 1) / face_size : 0;
    const std::int64_t records_at = face_chunk + kHeader;
    if (!holds(file, records_at, records * face_size)) {
        return ends_early(ReadStep::face_records, records_at, records * face_size);
    }

    if (!read_u32(file, declared_faces_at, mesh.declared_faces)) {
        return unreadable(ReadStep::declared_faces);
    }
    mesh.vertex_count = vertices;
    mesh.face_records = static_cast<std::uint64_t>(records);
    mesh.positions_at = static_cast<std::uint64_t>(positions_at);
    mesh.colours_at = static_cast<std::uint64_t>(colours_at);
    mesh.faces_at = static_cast<std::uint64_t>(records_at);
    return {};
}

}  // namespace tolvane::interchange
