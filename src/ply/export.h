// Turns an interchange mesh file written by the host into a PLY file with per-vertex colour,
// ASCII or binary, quads kept or split into two triangles each.
//
// The chunk headers are checked before anything is written, and the PLY file is written beside
// its target and moved over it only once complete: a failed export, a coordinate found infinite
// or NaN while writing included, leaves the output path exactly as it was.
#pragma once

#include <cstdint>

#include "interchange/reader.h"

namespace tolvane::ply {

struct ExportOptions {
    bool binary = false;       // binary little-endian instead of ASCII
    bool split_quads = false;  // the quad a, b, c, d becomes a, b, c and c, d, a
};

enum class ExportCondition {
    exported,
    cannot_open,            // the interchange file cannot be opened or read
    too_large,              // it holds more vertices or faces than a PLY count can say
    unexpected_chunk,       // a chunk of another kind stands where one is required: see `tag`
    missing_chunk,          // the end marker stands where the vertex, colour or face chunk must
    colour_count_mismatch,  // not one colour entry per vertex
    ends_early,             // the file ends before the bytes its headers describe
    coordinate_not_finite,  // a vertex coordinate is infinite or NaN
    cannot_create,          // the PLY file cannot be created, or its header not written
    write_failed,           // writing or closing the PLY file failed
};

struct ExportResult {
    ExportCondition condition = ExportCondition::exported;
    std::uint32_t tag = 0;  // the tag found, for unexpected_chunk
};

// What the export makes of an interchange file before it writes anything.
struct ExportPlan {
    ExportResult result;           // exported: nothing stands in the way of writing
    interchange::ReadStatus read;  // how far the reader came, and where it stopped
    interchange::HostMesh mesh;
    std::uint64_t quads = 0;  // records whose fourth index is 0 or more
    std::uint64_t faces = 0;  // the PLY face count: every record, plus one per split quad
    std::uint64_t first_non_finite_vertex = 0;  // for coordinate_not_finite
};

// The whole verdict on a file already open, writing nothing: what export_ply returns for it when
// the output can be written. It reads every position and every face record.
ExportPlan plan_export(const interchange::InputFile &input, const ExportOptions &options);

ExportResult export_ply(const char *input_path, const char *output_path,
                        const ExportOptions &options);

}  // namespace tolvane::ply
