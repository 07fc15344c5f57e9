// `tolvane info FILE.vyn`: what a host wrote, chunk by chunk, and what PLYExport would make of
// it. It reads the file itself with the library's reader and needs no export, so it also works
// beside a plug-in that fails to load the file.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/info_parts.h"
#include "cli/wording.h"
#include "entry/export_result_code.h"
#include "entry/result_meanings.h"
#include "interchange/chunk_reader.h"
#include "interchange/format.h"
#include "interchange/reader.h"
#include "ply/export.h"

namespace tolvane::cli {
namespace {

using interchange::ChunkStepKind;
using interchange::ReadStep;
using ply::ExportCondition;

// Past this many chunks only their number is told: a damaged file can hold millions.
constexpr std::uint64_t kChunksShown = 1000;

const char *kind_name(std::uint32_t tag) {
    switch (tag) {
        case interchange::kVertexTag:
            return "vertex";
        case interchange::kColourTag:
            return "colour";
        case interchange::kFaceTag:
            return "face";
        case interchange::kEndTag:
            return "end marker";
    }
    return "unknown";
}

std::uint64_t element_size(std::uint32_t tag) {
    switch (tag) {
        case interchange::kVertexTag:
            return interchange::kVertexSize;
        case interchange::kColourTag:
            return interchange::kColourEntrySize;
        case interchange::kFaceTag:
            return interchange::kFaceSize;
    }
    return 0;
}

// The order in which the walk met the three known kinds, e.g. "vertex, face, colour".
struct ChunkOrder {
    std::string kinds;
    bool has_colour = false;
    void add(std::uint32_t tag) {
        if (element_size(tag) == 0) return;
        if (tag == interchange::kColourTag) has_colour = true;
        if (!kinds.empty()) kinds += ", ";
        kinds += kind_name(tag);
    }
};

void print_magic(const interchange::InputFile &file) {
    unsigned char magic[interchange::kMagicSize];
    if (file.size < interchange::kMagicSize) {
        std::printf("magic: the file is shorter than the 32-byte magic\n");
    } else if (!interchange::read_at(file, 0, magic, sizeof magic)) {
        std::printf("magic: cannot be read\n");
    } else if (std::memcmp(magic, interchange::kMagic, interchange::kMagicSize) == 0) {
        std::printf("magic: \"%s\"\n", interchange::kMagic);
    } else {
        std::printf("magic: not the usual one (the export does not check it)\n");
    }
}

void print_chunk(const interchange::ChunkHeader &header, const char *note) {
    std::printf("%12" PRIu64 "  %10" PRIu32 "  %-10s  %11" PRId32 "  %10" PRIu32 "%s%s\n",
                header.offset, header.tag, kind_name(header.tag), header.size, header.count,
                *note ? "  " : "", note);
}

std::string size_note(const interchange::ChunkHeader &header) {
    const std::uint64_t per_element = element_size(header.tag);
    if (per_element == 0) return {};
    const std::uint64_t expected = interchange::kChunkHeaderSize + per_element * header.count;
    if (static_cast<std::uint64_t>(header.size) == expected) return {};
    return "size disagrees with count (16 + " + std::to_string(per_element) +
           " x count = " + std::to_string(expected) + ")";
}

ChunkOrder print_chunks(const interchange::InputFile &file) {
    ChunkOrder order;
    std::printf("%12s  %10s  %-10s  %11s  %10s\n", "offset", "tag", "kind", "size", "count");
    std::uint64_t offset = interchange::kMagicSize;
    std::uint64_t seen = 0;
    for (;;) {
        const interchange::ChunkStep step = interchange::chunk_at(file, offset);
        const bool shown = seen++ < kChunksShown;
        switch (step.kind) {
            case ChunkStepKind::chunk:
                order.add(step.header.tag);
                if (shown) print_chunk(step.header, size_note(step.header).c_str());
                offset += static_cast<std::uint64_t>(step.header.size);
                continue;
            case ChunkStepKind::end_marker:
                print_chunk(step.header, "");
                if (offset + interchange::kChunkHeaderSize < file.size) {
                    std::printf("%" PRIu64 " bytes follow the end marker (never read)\n",
                                file.size - offset - interchange::kChunkHeaderSize);
                }
                break;
            case ChunkStepKind::end_of_file:
                std::printf("%12" PRIu64 "  the file ends here, without an end marker\n", offset);
                break;
            case ChunkStepKind::partial_header:
                std::printf("%12" PRIu64 "  %" PRIu64 " bytes, too few for a chunk header\n",
                            offset, file.size - offset);
                break;
            case ChunkStepKind::unreadable:
                std::printf("%12" PRIu64 "  the chunk header cannot be read\n", offset);
                break;
            case ChunkStepKind::size_too_small:
                order.add(step.header.tag);
                print_chunk(step.header, "size below 16: no next chunk can be found");
                break;
            case ChunkStepKind::past_end:
                order.add(step.header.tag);
                print_chunk(step.header,
                            ("runs " +
                             std::to_string(offset + static_cast<std::uint64_t>(step.header.size) -
                                            file.size) +
                             " bytes past the end of the file")
                                .c_str());
                break;
        }
        break;
    }
    if (seen > kChunksShown + 1) {
        std::printf("(%" PRIu64 " chunks in all; the first %" PRIu64 " are shown)\n", seen - 1,
                    kChunksShown);
    }
    return order;
}

// Where each step of the export's walk looks, as a script author would find it in the listing.
const char *step_place(ReadStep step) {
    switch (step) {
        case ReadStep::open:
            return "the file";
        case ReadStep::vertex_header:
            return "the first chunk";
        case ReadStep::colour_header:
            return "the chunk where the vertex chunk's size points";
        case ReadStep::declared_faces:
            return "the face count, where the colour chunk's size points";
        case ReadStep::positions:
            return "the vertex positions, 12 bytes per vertex from offset 48";
        case ReadStep::colours:
            return "the colour entries, 4 bytes per vertex";
        case ReadStep::face_header:
            return "the chunk right after the colour entries";
        case ReadStep::face_records:
            return "the face records that the face chunk's size covers";
        case ReadStep::done:
            break;
    }
    return "the mesh";
}

const char *expected_kind(ReadStep step) {
    switch (step) {
        case ReadStep::vertex_header:
            return "the vertex chunk (tag 10001)";
        case ReadStep::colour_header:
            return "the colour chunk (tag 35001)";
        default:
            return "the face chunk (tag 20001)";
    }
}

void explain_misplaced_chunk(const ply::ExportPlan &plan, const ChunkOrder &order) {
    const interchange::ReadStatus &read = plan.read;
    std::printf(
        "  At offset %" PRId64 "%s, %s, the export needs\n  %s but finds tag %" PRIu32 " (%s).\n",
        read.begin,
        read.begin < static_cast<std::int64_t>(interchange::kMagicSize) ? " (inside the magic)"
                                                                        : "",
        step_place(read.step), expected_kind(read.step), read.tag, kind_name(read.tag));
    if (static_cast<float>(read.tag) != static_cast<double>(read.tag)) {
        std::printf("  The result is that tag as the nearest single-precision number.\n");
    }
    if (order.kinds == "vertex, face, colour") {
        std::printf(
            "  The chunks stand in the writer's order (vertex, face, colour), as PLYImport\n"
            "  writes them, not in the host's (vertex, colour, face).\n");
    } else if (!order.has_colour) {
        std::printf("  The file has no colour chunk; the export needs one colour per vertex.\n");
    } else if (order.kinds != "vertex, colour, face") {
        std::printf("  Chunks found by their sizes: %s; the export needs vertex, colour, face.\n",
                    order.kinds.c_str());
    }
    if (read.step == ReadStep::face_header && order.kinds == "vertex, colour, face") {
        std::printf(
            "  The face chunk must follow the colour entries directly, whatever the colour\n"
            "  chunk's size says.\n");
    }
}

void explain_success(const ply::ExportPlan &plan) {
    const interchange::HostMesh &mesh = plan.mesh;
    const std::uint64_t records = mesh.face_records;
    const std::uint64_t quads = plan.quads;
    std::printf("  A PLY file with %s and %s (%s, %s).\n",
                counted(mesh.vertex_count, "vertex", "vertices").c_str(),
                counted(records, "face", "faces").c_str(),
                counted(records - quads, "triangle", "triangles").c_str(),
                counted(quads, "quad", "quads").c_str());
    if (quads > 0) {
        std::printf("  With quads split (value 2 or 3): %s.\n",
                    counted(records + quads, "triangle", "triangles").c_str());
    }
    if (mesh.declared_faces != records) {
        std::printf("  The face count the host stored (%" PRIu32
                    ") differs from the records the face chunk's\n"
                    "  size holds; the PLY header declares the faces actually written.\n",
                    mesh.declared_faces);
    }
    std::printf(
        "  Writing can still fail: 1 when the PLY file cannot be created, -100 when\n"
        "  writing it fails; the output path is then left as it was.\n");
}

void print_export_verdict(float result) {
    const std::string_view meaning = entry::result_meaning("PLYExport", result, true);
    std::printf("PLYExport would return %s: %.*s\n", format_result(result).c_str(),
                static_cast<int>(meaning.size()), meaning.data());
}

// Both counts lie inside the file: the walk has read them.
std::uint32_t count_at(const interchange::InputFile &file, std::int64_t offset) {
    unsigned char count[4] = {};
    interchange::read_at(file, static_cast<std::uint64_t>(offset), count, sizeof count);
    return interchange::load_u32(count);
}

void explain(const ply::ExportPlan &plan, const ChunkOrder &order,
             const interchange::InputFile &file) {
    print_export_verdict(entry::export_result_code(plan.result));
    const interchange::ReadStatus &read = plan.read;
    switch (plan.result.condition) {
        case ExportCondition::exported:
            explain_success(plan);
            return;
        case ExportCondition::unexpected_chunk:
        case ExportCondition::missing_chunk:
            explain_misplaced_chunk(plan, order);
            return;
        case ExportCondition::colour_count_mismatch:
            std::printf("  The colour chunk holds %" PRIu32 " entries for %" PRIu32
                        " vertices: one colour per vertex is needed.\n",
                        count_at(file, read.begin), count_at(file, interchange::kMagicSize + 8));
            return;
        case ExportCondition::ends_early:
            if (read.begin < 0) {
                std::printf("  The file ends early: %s would start at offset %" PRId64
                            ",\n  before the start of the file.\n",
                            step_place(read.step), read.begin);
            } else {
                std::printf("  The file ends early: %s\n  needs bytes %" PRId64 " to %" PRId64
                            ", but the file holds %" PRIu64 ".\n",
                            step_place(read.step), read.begin, read.end, file.size);
            }
            return;
        case ExportCondition::coordinate_not_finite:
            std::printf("  Vertex %" PRIu64
                        " has a coordinate that is infinite or not a number, which a PLY\n"
                        "  float cannot carry.\n",
                        plan.first_non_finite_vertex);
            return;
        case ExportCondition::too_large:
            std::printf("  The mesh holds more vertices or faces than this build can count.\n");
            return;
        case ExportCondition::cannot_open:
        case ExportCondition::cannot_create:
        case ExportCondition::write_failed:
            return;
    }
}

}  // namespace

int run_interchange_info(const std::string &path) {
    interchange::InputFile file;
    if (!interchange::open_input(path.c_str(), file)) {
        std::printf("%s: cannot be opened or read\n", path.c_str());
        print_export_verdict(-1760.0f);
        return 1;
    }
    std::printf("%s: %" PRIu64 " bytes\n", path.c_str(), file.size);
    print_magic(file);
    const ChunkOrder order = print_chunks(file);
    // The verdict does not depend on the options, only the face count does.
    const ply::ExportPlan plan = ply::plan_export(file, ply::ExportOptions{});
    explain(plan, order, file);
    return plan.result.condition == ExportCondition::exported ? 0 : 1;
}

}  // namespace tolvane::cli
