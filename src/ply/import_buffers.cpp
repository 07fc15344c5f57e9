#include "ply/import_buffers.h"

namespace tolvane::ply {

ImportBuffers &import_buffers() {
    static ImportBuffers buffers;
    return buffers;
}

void empty_buffers(ImportBuffers &buffers) {
    buffers.coordinates.clear();
    buffers.face_indices.clear();
    buffers.red.clear();
    buffers.green.clear();
    buffers.blue.clear();
}

interchange::MeshBuffers as_mesh(const ImportBuffers &buffers) {
    return {buffers.coordinates, buffers.face_indices, buffers.red, buffers.green, buffers.blue};
}

}  // namespace tolvane::ply
