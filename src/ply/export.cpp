#include "ply/export.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ply/export_writer.h"

namespace tolvane::ply {
namespace {

using interchange::ReadCondition;

ExportResult from_read(const interchange::ReadStatus &status) {
    switch (status.condition) {
        case ReadCondition::read:
            return {};
        case ReadCondition::cannot_open:
            return {ExportCondition::cannot_open};
        case ReadCondition::too_large:
            return {ExportCondition::too_large};
        case ReadCondition::unexpected_chunk:
            // Tag 0 is the end marker: reported as the tag, it would read as success.
            if (status.tag == interchange::kEndTag) return {ExportCondition::missing_chunk};
            return {ExportCondition::unexpected_chunk, status.tag};
        case ReadCondition::colour_count_mismatch:
            return {ExportCondition::colour_count_mismatch};
        case ReadCondition::ends_early:
            return {ExportCondition::ends_early};
    }
    return {ExportCondition::cannot_open};
}

// The PLY writer refuses a coordinate a float cannot hold and does not move on, so every later
// value would land one place early: such a file is refused whole instead. The check runs over
// blocks without a branch per value, which lets the compiler test several at once; only a block
// that holds one is searched value by value.
bool find_non_finite(const interchange::HostMesh &mesh, std::uint64_t &vertex) {
    constexpr std::uint32_t kExponent = 0x7f800000;  // all ones: an infinity or a NaN
    constexpr std::size_t kBlock = 4096;
    const std::size_t values = std::size_t{mesh.vertex_count} * 3;
    for (std::size_t first = 0; first < values; first += kBlock) {
        const std::size_t last = std::min(values, first + kBlock);
        bool any = false;
        for (std::size_t i = first; i < last; ++i) {
            any |= (interchange::load_u32(mesh.positions + i * 4) & kExponent) == kExponent;
        }
        if (!any) continue;
        for (std::size_t i = first; i < last; ++i) {
            if (!std::isfinite(interchange::load_f32(mesh.positions + i * 4))) {
                vertex = i / 3;
                return true;
            }
        }
    }
    return false;
}

// The PLY library takes element counts as `long`, 32 bits on Windows.
bool fits_count(std::uint64_t count) {
    return count <= static_cast<std::uint64_t>(std::numeric_limits<long>::max());
}

}  // namespace

std::uint64_t count_quads(const interchange::HostMesh &mesh) {
    std::uint64_t quads = 0;
    for (std::size_t i = 0; i < mesh.face_records; ++i) {
        if (interchange::face_record(mesh, i).d >= 0) ++quads;
    }
    return quads;
}

ExportPlan plan_export(std::span<const unsigned char> bytes, const ExportOptions &options) {
    ExportPlan plan;
    plan.read = interchange::walk_host_mesh(bytes, plan.mesh);
    plan.result = from_read(plan.read);
    if (plan.result.condition != ExportCondition::exported) return plan;

    // The header declares the faces actually written, whatever F0 claims, so that header and
    // body always agree. Only split quads add faces: otherwise the records need no pass.
    plan.faces = plan.mesh.face_records + (options.split_quads ? count_quads(plan.mesh) : 0);
    if (find_non_finite(plan.mesh, plan.first_non_finite_vertex)) {
        plan.result = {ExportCondition::coordinate_not_finite};
    } else if (!fits_count(plan.mesh.vertex_count) || !fits_count(plan.faces)) {
        plan.result = {ExportCondition::too_large};
    }
    return plan;
}

ExportResult export_ply(const char *input_path, const char *output_path,
                        const ExportOptions &options) {
    interchange::FileBytes input;
    const interchange::ReadStatus loaded = interchange::load_file(input_path, input);
    if (loaded.condition != ReadCondition::read) return from_read(loaded);
    const ExportPlan plan = plan_export(input.view(), options);
    if (plan.result.condition != ExportCondition::exported) return plan.result;
    SafeOutput output;
    const ExportCondition written = write_ply(output, output_path, plan.mesh, plan.faces, options);
    // A mapped input keeps its file from being replaced, and the output may be that file.
    input = {};
    if (written != ExportCondition::exported) return {written};
    return {commit_output(output) ? ExportCondition::exported : ExportCondition::write_failed};
}

}  // namespace tolvane::ply
