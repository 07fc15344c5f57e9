// Reads a PLY file (vertex positions, per-vertex colours, triangles and quads) and writes it out
// as an interchange mesh file.
#pragma once

namespace tolvane::ply {

enum class ImportResult {
    imported,
    cannot_open,       // the PLY file cannot be opened for reading
    bad_header,        // not a PLY header the reader accepts
    bad_data,          // a value could not be read, or the file ended early
    nothing_to_write,  // no coordinate, or no triangle or quad
    cannot_create,     // the output cannot be opened for writing
    write_failed,      // writing or closing the output failed, or the mesh is too large
};

ImportResult import_ply(const char *ply_path, const char *output_path);

}  // namespace tolvane::ply
