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

// How the values are taken from the PLY library. Both give the same file for every input;
// `by_callbacks` is there to hold the usual way to that.
enum class ImportPath { usual, by_callbacks };

ImportResult import_ply(const char *ply_path, const char *output_path,
                        ImportPath path = ImportPath::usual);

}  // namespace tolvane::ply
