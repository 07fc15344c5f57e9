#include "ply/import.h"

#include <cstring>
#include <memory>

#include "interchange/writer.h"
#include "ply/import_buffers.h"
#include "ply/import_callbacks.h"
#include "plylib/rply.h"
#include "plylib/rply_bulk.h"

namespace tolvane::ply {
namespace {

struct PlyCloser {
    void operator()(t_ply_ *ply) const { ply_close(ply); }
};
using PlyHandle = std::unique_ptr<t_ply_, PlyCloser>;

const char *const kAxes[] = {"x", "y", "z"};
const char *const kChannels[] = {"red", "green", "blue"};

// The first element of that name, as the reader's lookups find it.
p_ply_element find_element(p_ply ply, const char *name) {
    for (p_ply_element element = ply_get_next_element(ply, nullptr); element;
         element = ply_get_next_element(ply, element)) {
        const char *element_name = nullptr;
        ply_get_element_info(element, &element_name, nullptr);
        if (std::strcmp(element_name, name) == 0) return element;
    }
    return nullptr;
}

// Whether the first property of that name in `element` is a list (false when there is none).
bool first_is(p_ply_element element, const char *name, bool list) {
    for (p_ply_property property = ply_get_next_property(element, nullptr); property;
         property = ply_get_next_property(element, property)) {
        const char *property_name = nullptr;
        e_ply_type type = PLY_LIST;
        ply_get_property_info(property, &property_name, &type, nullptr, nullptr);
        if (std::strcmp(property_name, name) == 0) return (type == PLY_LIST) == list;
    }
    return false;
}

// Coordinates and colours are scalars and the face list a list in nearly every file; the bulk
// reader takes only those shapes, and the callbacks the rest.
bool usual_shapes(p_ply ply) {
    if (p_ply_element vertex = find_element(ply, "vertex")) {
        for (const char *name : kAxes)
            if (first_is(vertex, name, true)) return false;
        for (const char *name : kChannels)
            if (first_is(vertex, name, true)) return false;
    }
    p_ply_element face = find_element(ply, "face");
    return !(face && first_is(face, "vertex_indices", false));
}

void attach_columns(p_ply ply, ImportColumns &columns) {
    ply_set_read_column(ply, "vertex", kAxes, 3, &columns.coordinates);
    ply_set_read_column(ply, "vertex", &kChannels[0], 1, &columns.red);
    ply_set_read_column(ply, "vertex", &kChannels[1], 1, &columns.green);
    ply_set_read_column(ply, "vertex", &kChannels[2], 1, &columns.blue);
    // A triangle a, b, c becomes the row a, b, c, -1; a quad its four indices.
    ply_set_read_rows(ply, "face", "vertex_indices", 3, 4, -1.0, &columns.face_indices);
}

// Whether the first element named `first` comes before the first one named `then`.
bool comes_before(p_ply ply, const char *first, const char *then) {
    for (p_ply_element element = ply_get_next_element(ply, nullptr); element;
         element = ply_get_next_element(ply, element)) {
        const char *name = nullptr;
        ply_get_element_info(element, &name, nullptr);
        if (std::strcmp(name, first) == 0) return true;
        if (std::strcmp(name, then) == 0) return false;
    }
    return false;
}

// The columns go on to the output as they fill, so that memory stays small whatever the size of
// the mesh; the colours, whose chunk comes last, are held.
struct StreamedImport {
    ImportColumns &columns;
    interchange::StreamedMesh &mesh;
};
// About 1 MiB a write: smaller pieces cost more calls, each of which costs microseconds on a
// virtual machine.
constexpr std::size_t kStreamedInstances = 65536;

void hand_on_coordinates(plylib::Column &column, void *context) {
    interchange::stream_coordinates(static_cast<StreamedImport *>(context)->mesh,
                                    plylib::column_values<float>(column));
}

// Faces come after the vertices here, so the coordinates are complete: the last of them go
// first, ahead of the first face.
void hand_on_faces(plylib::Column &column, void *context) {
    StreamedImport &streamed = *static_cast<StreamedImport *>(context);
    if (!streamed.mesh.faces_started) {
        interchange::stream_coordinates(streamed.mesh,
                                        plylib::column_values<float>(streamed.columns.coordinates));
        streamed.columns.coordinates.size = 0;
    }
    interchange::stream_face_indices(streamed.mesh, plylib::column_values<std::int32_t>(column));
}

void hand_on_as_read(p_ply ply, StreamedImport &streamed) {
    ImportColumns &columns = streamed.columns;
    columns.coordinates.drain = hand_on_coordinates;
    columns.coordinates.drain_context = &streamed;
    plylib::reserve_column(columns.coordinates, 3 * kStreamedInstances);
    // Faces before the vertices are held until the vertex chunk is written.
    if (comes_before(ply, "vertex", "face")) {
        columns.face_indices.drain = hand_on_faces;
        columns.face_indices.drain_context = &streamed;
        plylib::reserve_column(columns.face_indices, 4 * kStreamedInstances);
    }
}

void attach_callbacks(p_ply ply, ImportBuffers &buffers) {
    for (const char *axis : kAxes)
        ply_set_read_cb(ply, "vertex", axis, on_coordinate, &buffers.coordinates, 0);
    ply_set_read_cb(ply, "vertex", "red", on_channel, &buffers.red, 0);
    ply_set_read_cb(ply, "vertex", "green", on_channel, &buffers.green, 0);
    ply_set_read_cb(ply, "vertex", "blue", on_channel, &buffers.blue, 0);
    ply_set_read_cb(ply, "face", "vertex_indices", on_face_index, &buffers.face_indices, 0);
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

ImportResult import_ply(const char *ply_path, const char *output_path, ImportPath path) {
    ImportColumns columns;
    ImportBuffers buffers;
    interchange::StreamedMesh mesh;
    StreamedImport streamed{columns, mesh};
    bool by_columns = false, streaming = false;
    {
        PlyHandle ply(ply_open(ply_path, nullptr, 0, nullptr));
        if (!ply) return ImportResult::cannot_open;
        if (!ply_read_header(ply.get())) return ImportResult::bad_header;
        by_columns = path == ImportPath::usual && usual_shapes(ply.get());
        if (by_columns) {
            attach_columns(ply.get(), columns);
            // An output that cannot be created is reported only after the data is read, as a
            // bad file comes first: the values are then held, as with the callbacks.
            streaming = interchange::start_streamed(mesh, output_path);
            if (streaming) hand_on_as_read(ply.get(), streamed);
        } else {
            attach_callbacks(ply.get(), buffers);
        }
        // On failure the part written is dropped with `mesh`; the output path was not touched.
        if (!ply_read(ply.get())) return ImportResult::bad_data;
    }
    // The PLY file is closed before the output takes its target's place: both may name the
    // same file.
    if (streaming) return as_import_result(interchange::finish_streamed(mesh, as_mesh(columns)));
    return as_import_result(interchange::write_interchange(
        output_path, by_columns ? as_mesh(columns) : as_mesh(buffers)));
}

}  // namespace tolvane::ply
