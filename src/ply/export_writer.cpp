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

// Vertices go to the writer straight from the block's bytes, whole records at a time. The
// file's values are little-endian, as the machines the plug-in is built for.
static_assert(std::endian::native == std::endian::little);

bool write_vertices(p_ply ply, const unsigned char *positions, const unsigned char *colours,
                    std::size_t count) {
    using plylib::ColumnType;
    const auto scalar = [](ColumnType type, const unsigned char *values, std::size_t stride) {
        plylib::WriteSource source;
        source.type = type;
        source.values = values;
        source.stride = stride;
        return source;
    };
    const plylib::WriteSource sources[] = {
        scalar(ColumnType::float32, positions, interchange::kVertexSize),
        scalar(ColumnType::float32, positions + 4, interchange::kVertexSize),
        scalar(ColumnType::float32, positions + 8, interchange::kVertexSize),
        // A colour entry holds blue, green, red.
        scalar(ColumnType::uint8, colours + 2, interchange::kColourEntrySize),
        scalar(ColumnType::uint8, colours + 1, interchange::kColourEntrySize),
        scalar(ColumnType::uint8, colours, interchange::kColourEntrySize),
    };
    return ply_write_instances(ply, sources, std::size(sources), count) != 0;
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
bool write_records(p_ply ply, const unsigned char *records, std::size_t count, FaceBatch &batch) {
    for (std::size_t first = 0; first < count; first += FaceBatch::kFaces) {
        const std::size_t run = std::min(FaceBatch::kFaces, count - first);
        const unsigned char *at = records + first * interchange::kFaceSize;
        for (std::size_t i = 0; i < run; ++i) {
            batch.lengths[i] =
                interchange::face_record(at + i * interchange::kFaceSize).d >= 0 ? 4 : 3;
        }
        if (!write_rows(ply, at, interchange::kFaceSize, batch.lengths, run)) return false;
    }
    return true;
}

bool flush(p_ply ply, FaceBatch &batch) {
    const bool written =
        write_rows(ply, batch.rows, sizeof batch.rows[0], batch.lengths, batch.size);
    batch.size = 0;
    return written;
}

bool write_split_quads(p_ply ply, const unsigned char *records, std::size_t count,
                       FaceBatch &batch) {
    for (std::size_t i = 0; i < count; ++i) {
        if (batch.size + 2 > FaceBatch::kFaces && !flush(ply, batch)) return false;
        const interchange::FaceRecord face =
            interchange::face_record(records + i * interchange::kFaceSize);
        batch.add(3, face.a, face.b, face.c);
        // The diagonal runs from a to c; both halves keep the quad's winding.
        if (face.d >= 0) batch.add(3, face.c, face.d, face.a);
    }
    return true;
}

ExportCondition write_body(p_ply ply, const interchange::InputFile &input,
                           const interchange::HostMesh &mesh, const ExportOptions &options,
                           unsigned char *block) {
    using interchange::read_elements;
    unsigned char *const colours = block + kBlockElements * interchange::kVertexSize;
    for (std::uint64_t first = 0; first < mesh.vertex_count; first += kBlockElements) {
        const std::size_t count = static_cast<std::size_t>(
            std::min<std::uint64_t>(kBlockElements, mesh.vertex_count - first));
        if (!read_elements(input, mesh.positions_at, first, count, interchange::kVertexSize,
                           block) ||
            !read_elements(input, mesh.colours_at, first, count, interchange::kColourEntrySize,
                           colours)) {
            return ExportCondition::cannot_open;
        }
        // The PLY writer refuses a coordinate a float cannot hold: the file is refused whole.
        if (first_non_finite(block, count * 3) != count * 3) {
            return ExportCondition::coordinate_not_finite;
        }
        if (!write_vertices(ply, block, colours, count)) return ExportCondition::write_failed;
    }
    auto batch = std::make_unique<FaceBatch>();
    for (std::uint64_t first = 0; first < mesh.face_records; first += kBlockElements) {
        const std::size_t count = static_cast<std::size_t>(
            std::min<std::uint64_t>(kBlockElements, mesh.face_records - first));
        if (!read_elements(input, mesh.faces_at, first, count, interchange::kFaceSize, block)) {
            return ExportCondition::cannot_open;
        }
        const bool written = options.split_quads ? write_split_quads(ply, block, count, *batch)
                                                 : write_records(ply, block, count, *batch);
        if (!written) return ExportCondition::write_failed;
    }
    return flush(ply, *batch) ? ExportCondition::exported : ExportCondition::write_failed;
}

}  // namespace

std::size_t first_non_finite(const unsigned char *at, std::size_t values) {
    // A whole run is tested with no branch per value and a count the compiler knows, which lets
    // it test several values at once; a run that holds one, and the last short run, are searched
    // value by value. A float's exponent bits plus one unit of them reach its sign bit only when
    // they are all ones: an infinity or a NaN.
    constexpr std::uint32_t kExponent = 0x7f800000, kUnit = 0x00800000;
    constexpr std::size_t kRun = 1024;
    for (std::size_t first = 0; first < values; first += kRun) {
        const std::size_t last = std::min(values, first + kRun);
        if (last - first == kRun) {
            std::uint32_t unusual = 0;
            for (std::size_t i = 0; i < kRun; ++i) {
                unusual |= (interchange::load_u32(at + (first + i) * 4) & kExponent) + kUnit;
            }
            if (unusual >> 31 == 0) continue;
        }
        for (std::size_t i = first; i < last; ++i) {
            if ((interchange::load_u32(at + i * 4) & kExponent) == kExponent) return i;
        }
    }
    return values;
}

ExportCondition write_ply(SafeOutput &output, const char *output_path,
                          const interchange::InputFile &input, const interchange::HostMesh &mesh,
                          std::uint64_t faces, const ExportOptions &options, unsigned char *block) {
    if (!open_output(output, output_path)) return ExportCondition::cannot_create;
    PlyHandle ply(ply_create_sink(write_to_output, &output,
                                  options.binary ? PLY_DEFAULT : PLY_ASCII, nullptr, 0, nullptr));
    if (!ply) return ExportCondition::cannot_create;
    if (!declare(ply.get(), mesh, faces) || !ply_write_header(ply.get())) {
        return ExportCondition::cannot_create;
    }
    const ExportCondition written = write_body(ply.get(), input, mesh, options, block);
    const bool closed = ply_close(ply.release()) != 0;
    if (written != ExportCondition::exported) return written;
    return closed ? ExportCondition::exported : ExportCondition::write_failed;
}

}  // namespace tolvane::ply
