#include "ply/export_writer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <memory>

#include "plylib/rply.h"
#include "plylib/rply_bulk.h"

namespace tolvane::ply {
namespace {

struct PlyCloser {
    void operator()(t_ply_ *ply) const { ply_close(ply); }
};
using PlyHandle = std::unique_ptr<t_ply_, PlyCloser>;

// The PLY library's sink: every block goes into the safe output, whose first failure is kept.
int write_to_output(void *sink, const void *data, std::size_t size) {
    SafeOutput &output = *static_cast<SafeOutput *>(sink);
    write_output(output, data, size);
    return output.failed ? 0 : 1;
}

bool declare(p_ply ply, const interchange::HostMesh &mesh, std::uint64_t faces) {
    // The PLY library itself refuses nothing here that it could later trip over; the results
    // are still checked, as a refused declaration would leave a header that lies.
    return ply_add_comment(ply, "PLY export from HALVEX 2Q5") &&
           ply_add_comment(ply, "file name") &&
           ply_add_element(ply, "vertex", static_cast<long>(mesh.vertex_count)) &&
           ply_add_scalar_property(ply, "x", PLY_FLOAT) &&
           ply_add_scalar_property(ply, "y", PLY_FLOAT) &&
           ply_add_scalar_property(ply, "z", PLY_FLOAT) &&
           ply_add_scalar_property(ply, "red", PLY_UCHAR) &&
           ply_add_scalar_property(ply, "green", PLY_UCHAR) &&
           ply_add_scalar_property(ply, "blue", PLY_UCHAR) &&
           ply_add_element(ply, "face", static_cast<long>(faces)) &&
           ply_add_list_property(ply, "vertex_indices", PLY_UCHAR, PLY_INT);
}

// Vertices go to the writer straight from the file's bytes, whole records at a time: no list
// of values is built, so memory stays at the size of the input. The file's values are
// little-endian, as the machines the plug-in is built for.
static_assert(std::endian::native == std::endian::little);

bool write_vertices(p_ply ply, const interchange::HostMesh &mesh) {
    using plylib::ColumnType;
    const auto scalar = [](ColumnType type, const unsigned char *values, std::size_t stride) {
        plylib::WriteSource source;
        source.type = type;
        source.values = values;
        source.stride = stride;
        return source;
    };
    const unsigned char *positions = mesh.positions;
    const unsigned char *colours = mesh.colours;
    const plylib::WriteSource sources[] = {
        scalar(ColumnType::float32, positions, interchange::kVertexSize),
        scalar(ColumnType::float32, positions + 4, interchange::kVertexSize),
        scalar(ColumnType::float32, positions + 8, interchange::kVertexSize),
        // A colour entry holds blue, green, red.
        scalar(ColumnType::uint8, colours + 2, interchange::kColourEntrySize),
        scalar(ColumnType::uint8, colours + 1, interchange::kColourEntrySize),
        scalar(ColumnType::uint8, colours, interchange::kColourEntrySize),
    };
    return mesh.vertex_count == 0 ||
           ply_write_instances(ply, sources, std::size(sources), mesh.vertex_count);
}

// A run of PLY faces, as rows of up to four indices and their lengths.
struct FaceBatch {
    static constexpr std::size_t kFaces = 8192;
    std::int32_t rows[kFaces][4];
    std::uint8_t lengths[kFaces];
    std::size_t size = 0;

    void add(std::uint8_t length, std::int32_t a, std::int32_t b, std::int32_t c,
             std::int32_t d = 0) {
        rows[size][0] = a;
        rows[size][1] = b;
        rows[size][2] = c;
        rows[size][3] = d;
        lengths[size++] = length;
    }
};

bool write_rows(p_ply ply, const void *rows, std::size_t stride, const std::uint8_t *lengths,
                std::size_t count) {
    plylib::WriteSource source;
    source.type = plylib::ColumnType::int32;
    source.values = rows;
    source.stride = stride;
    source.entry_stride = sizeof(std::int32_t);
    source.length_type = plylib::ColumnType::uint8;
    source.lengths = lengths;
    source.length_stride = 1;
    return count == 0 || ply_write_instances(ply, &source, 1, count);
}

// Quads kept: each record is its face's row as it lies in the file (a, b, c, then d for a
// quad), so only the lengths are worked out.
bool write_records(p_ply ply, const interchange::HostMesh &mesh) {
    std::uint8_t lengths[FaceBatch::kFaces];
    for (std::size_t first = 0; first < mesh.face_records; first += FaceBatch::kFaces) {
        const std::size_t count = std::min(FaceBatch::kFaces, mesh.face_records - first);
        for (std::size_t i = 0; i < count; ++i) {
            lengths[i] = interchange::face_record(mesh, first + i).d >= 0 ? 4 : 3;
        }
        const unsigned char *records = mesh.faces + first * interchange::kFaceSize;
        if (!write_rows(ply, records, interchange::kFaceSize, lengths, count)) return false;
    }
    return true;
}

bool write_split_quads(p_ply ply, const interchange::HostMesh &mesh) {
    auto batch = std::make_unique<FaceBatch>();
    const auto flush = [&] {
        const bool written =
            write_rows(ply, batch->rows, sizeof batch->rows[0], batch->lengths, batch->size);
        batch->size = 0;
        return written;
    };
    for (std::size_t i = 0; i < mesh.face_records; ++i) {
        if (batch->size + 2 > FaceBatch::kFaces && !flush()) return false;
        const interchange::FaceRecord face = interchange::face_record(mesh, i);
        batch->add(3, face.a, face.b, face.c);
        // The diagonal runs from a to c; both halves keep the quad's winding.
        if (face.d >= 0) batch->add(3, face.c, face.d, face.a);
    }
    return flush();
}

}  // namespace

ExportCondition write_ply(SafeOutput &output, const char *output_path,
                          const interchange::HostMesh &mesh, std::uint64_t faces,
                          const ExportOptions &options) {
    if (!open_output(output, output_path)) return ExportCondition::cannot_create;
    PlyHandle ply(ply_create_sink(write_to_output, &output,
                                  options.binary ? PLY_DEFAULT : PLY_ASCII, nullptr, 0, nullptr));
    if (!ply) return ExportCondition::cannot_create;
    if (!declare(ply.get(), mesh, faces) || !ply_write_header(ply.get())) {
        return ExportCondition::cannot_create;
    }

    // A value the writer refuses would shift every later one: the file is then not committed.
    const bool all_written =
        write_vertices(ply.get(), mesh) &&
        (options.split_quads ? write_split_quads(ply.get(), mesh) : write_records(ply.get(), mesh));
    const bool closed = ply_close(ply.release()) != 0;
    return all_written && closed ? ExportCondition::exported : ExportCondition::write_failed;
}

}  // namespace tolvane::ply
