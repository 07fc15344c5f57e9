#include "ply/export_writer.h"

#include <memory>

#include "platform/safe_output.h"
#include "plylib/rply.h"

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

// Values go to the writer straight from the file's bytes, in the order the header declares
// them: no list of them is built, so memory stays at the size of the input.
bool write_vertices(p_ply ply, const interchange::HostMesh &mesh) {
    for (std::size_t k = 0; k < mesh.vertex_count; ++k) {
        const interchange::Colour colour = interchange::colour_of(mesh, k);
        if (!ply_write(ply, interchange::position_value(mesh, k, 0)) ||
            !ply_write(ply, interchange::position_value(mesh, k, 1)) ||
            !ply_write(ply, interchange::position_value(mesh, k, 2)) ||
            !ply_write(ply, colour.red) || !ply_write(ply, colour.green) ||
            !ply_write(ply, colour.blue)) {
            return false;
        }
    }
    return true;
}

bool write_triangle(p_ply ply, std::int32_t a, std::int32_t b, std::int32_t c) {
    return ply_write(ply, 3) && ply_write(ply, a) && ply_write(ply, b) && ply_write(ply, c);
}

bool write_faces(p_ply ply, const interchange::HostMesh &mesh, bool split_quads) {
    for (std::size_t i = 0; i < mesh.face_records; ++i) {
        const interchange::FaceRecord face = interchange::face_record(mesh, i);
        bool written = false;
        if (face.d < 0) {
            written = write_triangle(ply, face.a, face.b, face.c);
        } else if (split_quads) {
            // The diagonal runs from a to c; both halves keep the quad's winding.
            written = write_triangle(ply, face.a, face.b, face.c) &&
                      write_triangle(ply, face.c, face.d, face.a);
        } else {
            written = ply_write(ply, 4) && ply_write(ply, face.a) && ply_write(ply, face.b) &&
                      ply_write(ply, face.c) && ply_write(ply, face.d);
        }
        if (!written) return false;
    }
    return true;
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
