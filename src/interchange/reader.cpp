#include "interchange/reader.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>

#include "interchange/file_size_reader.h"

namespace tolvane::interchange {
namespace {

struct FileCloser {
    void operator()(std::FILE *stream) const { std::fclose(stream); }
};
using InputStream = std::unique_ptr<std::FILE, FileCloser>;

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
struct Bytes {
    std::span<const unsigned char> all;

    bool holds(std::int64_t begin, std::int64_t length) const {
        return begin >= 0 && length >= 0 && static_cast<std::uint64_t>(begin) <= all.size() &&
               static_cast<std::uint64_t>(length) <= all.size() - static_cast<std::uint64_t>(begin);
    }
    const unsigned char *at(std::int64_t offset) const {
        return all.data() + static_cast<std::size_t>(offset);
    }
    std::uint32_t u32(std::int64_t offset) const { return load_u32(at(offset)); }
    std::int32_t i32(std::int64_t offset) const { return load_i32(at(offset)); }
};

ReadStatus ends_early(ReadStep step, std::int64_t begin, std::int64_t length) {
    return failure(ReadCondition::ends_early, step, begin, begin + length);
}

ReadStatus unexpected(ReadStep step, std::uint32_t tag, std::int64_t offset) {
    ReadStatus status = failure(ReadCondition::unexpected_chunk, step, offset, offset + 4);
    status.tag = tag;
    return status;
}

}  // namespace

ReadStatus load_file(const char *path, FileBytes &file) {
    file = FileBytes{};
    InputStream stream(std::fopen(path, "rb"));
    std::uint64_t size = 0;
    if (!stream || !open_file_size(stream.get(), size)) {
        return failure(ReadCondition::cannot_open, ReadStep::open);
    }
    if (size > std::numeric_limits<std::size_t>::max()) {
        return failure(ReadCondition::too_large, ReadStep::open);
    }
    FileBytes loaded;
    loaded.size = static_cast<std::size_t>(size);
    loaded.mapped = platform::map_whole_file(stream.get(), size);
    if (loaded.mapped) {
        file = std::move(loaded);
        return {};
    }
    // Uninitialised on purpose: every byte is overwritten by the read, and zeroing a large file
    // first would cost as much as reading it.
    loaded.copy = plylib::allocate_large(std::max<std::size_t>(loaded.size, 1));
    if (!loaded.copy) return failure(ReadCondition::too_large, ReadStep::open);
    if (std::fread(loaded.copy.get(), 1, loaded.size, stream.get()) != loaded.size) {
        return failure(ReadCondition::cannot_open, ReadStep::open);
    }
    file = std::move(loaded);
    return {};
}

ReadStatus walk_host_mesh(std::span<const unsigned char> all, HostMesh &mesh) {
    mesh = HostMesh{};
    const Bytes bytes{all};

    // The magic is not compared: hosts differ in what they put there.
    if (!bytes.holds(kFirstChunk, 4)) return ends_early(ReadStep::vertex_header, kFirstChunk, 4);
    const std::uint32_t vertex_tag = bytes.u32(kFirstChunk);
    if (vertex_tag != kVertexTag) {
        return unexpected(ReadStep::vertex_header, vertex_tag, kFirstChunk);
    }
    if (!bytes.holds(kFirstChunk, 12)) return ends_early(ReadStep::vertex_header, kFirstChunk, 12);
    const std::int64_t vertex_chunk_size = bytes.i32(kFirstChunk + 4);
    const std::uint32_t vertices = bytes.u32(kFirstChunk + 8);

    // The vertex chunk's size says where the colour chunk starts, and nothing else.
    const std::int64_t colour_chunk = kFirstChunk + vertex_chunk_size;
    if (!bytes.holds(colour_chunk, 4)) return ends_early(ReadStep::colour_header, colour_chunk, 4);
    const std::uint32_t colour_tag = bytes.u32(colour_chunk);
    if (colour_tag != kColourTag) {
        return unexpected(ReadStep::colour_header, colour_tag, colour_chunk);
    }
    if (!bytes.holds(colour_chunk + 4, 8)) {
        return ends_early(ReadStep::colour_header, colour_chunk + 4, 8);
    }
    const std::int64_t colour_chunk_size = bytes.i32(colour_chunk + 4);
    if (bytes.u32(colour_chunk + 8) != vertices) {
        return failure(ReadCondition::colour_count_mismatch, ReadStep::colour_header,
                       colour_chunk + 8, colour_chunk + 12);
    }

    // F0 is the count of whatever chunk the colour chunk's size points at.
    const std::int64_t declared_faces_at = colour_chunk + colour_chunk_size + 8;
    if (!bytes.holds(declared_faces_at, 4)) {
        return ends_early(ReadStep::declared_faces, declared_faces_at, 4);
    }

    const std::int64_t positions_at = kFirstChunk + kHeader;
    const std::int64_t positions_length = static_cast<std::int64_t>(kVertexSize) * vertices;
    if (!bytes.holds(positions_at, positions_length)) {
        return ends_early(ReadStep::positions, positions_at, positions_length);
    }
    const std::int64_t colours_at = colour_chunk + kHeader;
    const std::int64_t colours_length = static_cast<std::int64_t>(kColourEntrySize) * vertices;
    if (!bytes.holds(colours_at, colours_length)) {
        return ends_early(ReadStep::colours, colours_at, colours_length);
    }

    // The face chunk follows the V colour entries, whatever the colour chunk's size says.
    const std::int64_t face_chunk = colours_at + colours_length;
    if (!bytes.holds(face_chunk, 4)) return ends_early(ReadStep::face_header, face_chunk, 4);
    const std::uint32_t face_tag = bytes.u32(face_chunk);
    if (face_tag != kFaceTag) return unexpected(ReadStep::face_header, face_tag, face_chunk);
    if (!bytes.holds(face_chunk, kHeader)) {
        return ends_early(ReadStep::face_header, face_chunk, kHeader);
    }
    const std::int64_t face_chunk_size = bytes.i32(face_chunk + 4);

    // A record starts at every 16th byte from the header's end while inside the chunk's size, so
    // a size that is not a whole number of records still takes the record it cuts into.
    const std::int64_t payload = face_chunk_size - kHeader;
    const std::int64_t face_size = static_cast<std::int64_t>(kFaceSize);
    const std::int64_t records = payload > 0 ? (payload + face_size - 1) / face_size : 0;
    const std::int64_t records_at = face_chunk + kHeader;
    if (!bytes.holds(records_at, records * face_size)) {
        return ends_early(ReadStep::face_records, records_at, records * face_size);
    }

    mesh.vertex_count = vertices;
    mesh.declared_faces = bytes.u32(declared_faces_at);
    mesh.face_records = static_cast<std::size_t>(records);
    mesh.positions = bytes.at(positions_at);
    mesh.colours = bytes.at(colours_at);
    mesh.faces = records > 0 ? bytes.at(records_at) : nullptr;
    return {};
}

ReadStatus read_host_mesh(const char *path, FileBytes &file, HostMesh &mesh) {
    mesh = HostMesh{};
    const ReadStatus loaded = load_file(path, file);
    if (loaded.condition != ReadCondition::read) return loaded;
    return walk_host_mesh(file.view(), mesh);
}

}  // namespace tolvane::interchange
