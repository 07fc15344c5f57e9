#include "ply/export.h"

#include <algorithm>
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

// The PLY library takes element counts as `long`, 32 bits on Windows.
bool fits_count(std::uint64_t count) {
    return count <= static_cast<std::uint64_t>(std::numeric_limits<long>::max());
}

std::size_t block_count(std::uint64_t first, std::uint64_t total) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kBlockElements, total - first));
}

// Records whose fourth index is 0 or more. False when the records cannot be read.
bool count_quads(const interchange::InputFile &input, const interchange::HostMesh &mesh,
                 unsigned char *block, std::uint64_t &quads) {
    quads = 0;
    for (std::uint64_t first = 0; first < mesh.face_records; first += kBlockElements) {
        const std::size_t count = block_count(first, mesh.face_records);
        if (!interchange::read_elements(input, mesh.faces_at, first, count, interchange::kFaceSize,
                                        block)) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            quads += interchange::face_record(block + i * interchange::kFaceSize).d >= 0;
        }
    }
    return true;
}

// The first vertex with an infinite or NaN coordinate, or the vertex count when there is none.
// False when the positions cannot be read.
bool find_non_finite(const interchange::InputFile &input, const interchange::HostMesh &mesh,
                     unsigned char *block, std::uint64_t &vertex) {
    for (std::uint64_t first = 0; first < mesh.vertex_count; first += kBlockElements) {
        const std::size_t count = block_count(first, mesh.vertex_count);
        if (!interchange::read_elements(input, mesh.positions_at, first, count,
                                        interchange::kVertexSize, block)) {
            return false;
        }
        const std::size_t value = first_non_finite(block, count * 3);
        if (value != count * 3) {
            vertex = first + value / 3;
            return true;
        }
    }
    vertex = mesh.vertex_count;
    return true;
}

// The walk and the face count, which the header needs before any face is written.
ExportPlan plan_layout(const interchange::InputFile &input, const ExportOptions &options,
                       unsigned char *block) {
    ExportPlan plan;
    plan.read = interchange::walk_host_mesh(input, plan.mesh);
    plan.result = from_read(plan.read);
    if (plan.result.condition != ExportCondition::exported) return plan;
    // The header declares the faces actually written, whatever F0 claims, so that header and
    // body always agree. Only split quads add faces: otherwise the records need no pass.
    if (options.split_quads && !count_quads(input, plan.mesh, block, plan.quads)) {
        plan.result = {ExportCondition::cannot_open};
    }
    plan.faces = plan.mesh.face_records + (options.split_quads ? plan.quads : 0);
    return plan;
}

// A coordinate no PLY float can hold is the answer whatever else failed after the walk, as it
// is in plan_export.
ExportResult unless_non_finite(ExportCondition condition, const interchange::InputFile &input,
                               const interchange::HostMesh &mesh, unsigned char *block) {
    std::uint64_t vertex = 0;
    if (find_non_finite(input, mesh, block, vertex) && vertex < mesh.vertex_count) {
        return {ExportCondition::coordinate_not_finite};
    }
    return {condition};
}

}  // namespace

ExportPlan plan_export(const interchange::InputFile &input, const ExportOptions &options) {
    const InputBlock block = make_input_block();
    ExportPlan plan = plan_layout(input, options, block.get());
    if (plan.result.condition != ExportCondition::exported) return plan;
    if (!options.split_quads && !count_quads(input, plan.mesh, block.get(), plan.quads)) {
        plan.result = {ExportCondition::cannot_open};
    } else if (!find_non_finite(input, plan.mesh, block.get(), plan.first_non_finite_vertex)) {
        plan.result = {ExportCondition::cannot_open};
    } else if (plan.first_non_finite_vertex < plan.mesh.vertex_count) {
        plan.result = {ExportCondition::coordinate_not_finite};
    } else if (!fits_count(plan.mesh.vertex_count) || !fits_count(plan.faces)) {
        plan.result = {ExportCondition::too_large};
    }
    return plan;
}

ExportResult export_ply(const char *input_path, const char *output_path,
                        const ExportOptions &options) {
    interchange::InputFile input;
    if (!interchange::open_input(input_path, input)) return {ExportCondition::cannot_open};
    const InputBlock block = make_input_block();
    const ExportPlan plan = plan_layout(input, options, block.get());
    if (plan.result.condition != ExportCondition::exported) return plan.result;
    const interchange::HostMesh &mesh = plan.mesh;
    if (!fits_count(mesh.vertex_count) || !fits_count(plan.faces)) {
        return unless_non_finite(ExportCondition::too_large, input, mesh, block.get());
    }
    SafeOutput output;
    const ExportCondition written =
        write_ply(output, output_path, input, mesh, plan.faces, options, block.get());
    if (written == ExportCondition::cannot_create || written == ExportCondition::write_failed) {
        return unless_non_finite(written, input, mesh, block.get());
    }
    if (written != ExportCondition::exported) return {written};
    // The output may take the input's own path, which an open file would keep on Windows.
    input = {};
    return {commit_output(output) ? ExportCondition::exported : ExportCondition::write_failed};
}

}  // namespace tolvane::ply
