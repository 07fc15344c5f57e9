#include "ply/import.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "interchange/writer.h"
#include "ply/import_buffers.h"
#include "ply/import_callbacks.h"
#include "plylib/rply.h"

namespace tolvane::ply {
namespace {

struct PlyCloser {
    void operator()(t_ply_ *ply) const { ply_close(ply); }
};
using PlyHandle = std::unique_ptr<t_ply_, PlyCloser>;

struct EmptyOnExit {
    ImportBuffers &buffers;
    ~EmptyOnExit() { empty_buffers(buffers); }
};

std::uint64_t file_size_or_zero(const char *path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// Room for the counts the header declares, but never more than the file's bytes could carry:
// every instance takes at least one byte, and a triangle or quad at least four.
void reserve_for(ImportBuffers &buffers, std::uint64_t file_size, long vertices,
                 int coordinates_per_vertex, bool has_colour, long faces) {
    const auto bounded = [](long declared, std::uint64_t limit) {
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(declared > 0 ? static_cast<std::uint64_t>(declared) : 0, limit));
    };
    const std::size_t vertex_room = bounded(vertices, file_size);
    buffers.coordinates.reserve(vertex_room * static_cast<std::size_t>(coordinates_per_vertex));
    if (has_colour) {
        buffers.red.reserve(vertex_room);
        buffers.green.reserve(vertex_room);
        buffers.blue.reserve(vertex_room);
    }
    buffers.face_indices.reserve(bounded(faces, file_size / 4) * 4);
}

ImportResult as_import_result(interchange::WriteResult result) {
    switch (result) {
        case interchange::WriteResult::written:
            return ImportResult::imported;
        case interchange::WriteResult::nothing_to_write:
            return ImportResult::nothing_to_write;
        case interchange::WriteResult::cannot_create:
            return ImportResult::cannot_create;
        case interchange::WriteResult::write_failed:
        case interchange::WriteResult::too_large:
            break;
    }
    return ImportResult::write_failed;
}

}  // namespace

ImportResult import_ply(const char *ply_path, const char *output_path) {
    ImportBuffers &buffers = import_buffers();
    EmptyOnExit empty_on_exit{buffers};
    {
        PlyHandle ply(ply_open(ply_path, nullptr, 0, nullptr));
        if (!ply) return ImportResult::cannot_open;
        if (!ply_read_header(ply.get())) return ImportResult::bad_header;

        int coordinates_per_vertex = 0;
        long vertices = 0;
        for (const char *axis : {"x", "y", "z"}) {
            const long count =
                ply_set_read_cb(ply.get(), "vertex", axis, on_coordinate, &buffers.coordinates, 0);
            if (count > 0) ++coordinates_per_vertex;
            vertices = std::max(vertices, count);
        }
        const long reds = ply_set_read_cb(ply.get(), "vertex", "red", on_channel, &buffers.red, 0);
        ply_set_read_cb(ply.get(), "vertex", "green", on_channel, &buffers.green, 0);
        ply_set_read_cb(ply.get(), "vertex", "blue", on_channel, &buffers.blue, 0);
        const long faces = ply_set_read_cb(ply.get(), "face", "vertex_indices", on_face_index,
                                           &buffers.face_indices, 0);
        reserve_for(buffers, file_size_or_zero(ply_path), vertices, coordinates_per_vertex,
                    reds > 0, faces);

        if (!ply_read(ply.get())) return ImportResult::bad_data;
    }
    // The PLY file is closed before the output is written: both may name the same file.
    return as_import_result(interchange::write_interchange(output_path, as_mesh(buffers)));
}

}  // namespace tolvane::ply
