#include "ply/import_buffers.h"

namespace tolvane::ply {

interchange::MeshBuffers as_mesh(const ImportColumns &columns) {
    return {plylib::column_values<float>(columns.coordinates),
            plylib::column_values<std::int32_t>(columns.face_indices),
            plylib::column_values<std::uint8_t>(columns.red),
            plylib::column_values<std::uint8_t>(columns.green),
            plylib::column_values<std::uint8_t>(columns.blue)};
}

interchange::MeshBuffers as_mesh(const ImportBuffers &buffers) {
    return {buffers.coordinates, buffers.face_indices, buffers.red, buffers.green, buffers.blue};
}

}  // namespace tolvane::ply
