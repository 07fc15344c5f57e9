#include "ply/export_writer.h"

#include <bit>
#include <cstdint>
#include <iterator>
#include <memory>

#include "platform/safe_output.h"
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

// The PLY faces of a run of records, as rows of up to four indices and their lengths.
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

bool write_batch(p_ply ply, FaceBatch &batch) {
    plylib::WriteSource source;
    source.type = plylib::ColumnType::int32;
    source.values = batch.rows;
    source.stride = sizeof batch.rows[0];
    source.entry_stride = sizeof batch.rows[0][0];
    source.length_type = plylib::ColumnType::uint8;
    source.lengths = batch.lengths;
    source.length_stride = 1;
    const bool written = batch.size == 0 || ply_write_instances(ply, &source, 1, batch.size);
    batch.size = 0;
    return written;
}

bool write_faces(p_ply ply, const interchange::HostMesh &mesh, bool split_quads) {
    auto batch = std::make_unique<FaceBatch>();
    for (std::size_t i = 0; i < mesh.face_records; ++i) {
        if (batch->size + 2 > FaceBatch::kFaces && !write_batch(ply, *batch)) return false;
        const interchange::FaceRecord face = interchange::face_record(mesh, i);
        if (face.d < 0) {
            batch->add(3, face.a, face.b, face.c);
        } else if (split_quads) {
            // The diagonal runs from a to c; both halves keep the quad's winding.
            batch->add(3, face.a, face.b, face.c);
            batch->add(3, face.c, face.d, face.a);
        } else {
            batch->add(4, face.a, face.b, face.c, face.d);
        }
    }
    return write_batch(ply, *batch);
}

}  // namespace

ExportCondition write_ply(const char *output_path, const interchange::HostMesh &mesh,
                          std::uint64_t faces, const ExportOptions &options) {
    SafeOutput output;
    if (!open_output(output, output_path)) return ExportCondition::cannot_create;
    PlyHandle ply(ply_create_sink(write_to_output, &output,
                                  options.binary ? PLY_DEFAULT : PLY_ASCII, nullptr, 0, nullptr));
    if (!ply) return ExportCondition::cannot_create;
    if (!declare(ply.get(), mesh, faces) || !ply_write_header(ply.get())) {
        return ExportCondition::cannot_create;
    }

    // A value the writer refuses would shift every later one: the file is then not committed.
    const bool all_written =
        write_vertices(ply.get(), mesh) && write_faces(ply.get(), mesh, options.split_quads);
    const bool closed = ply_close(ply.release()) != 0;
    if (!all_written || !closed) return ExportCondition::write_failed;
    return commit_output(output) ? ExportCondition::exported : ExportCondition::write_failed;
}

}  // namespace tolvane::ply
