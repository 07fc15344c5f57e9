// Any bytes as an interchange file, walked as the export walks it (and chunk by chunk, as the
// stand-in host shows it). Every value the walk hands on is touched, so that a view reaching past
// the bytes is a sanitizer report.
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "interchange/chunk_reader.h"
#include "interchange/reader.h"
#include "ply/export.h"

namespace {

using namespace tolvane;
using fuzz::require;

volatile std::uint32_t sink;

void touch_mesh(const interchange::HostMesh &mesh) {
    std::uint32_t mix = mesh.declared_faces;
    for (std::size_t k = 0; k < mesh.vertex_count; ++k) {
        for (int axis = 0; axis < 3; ++axis) {
            mix ^= static_cast<std::uint32_t>(interchange::position_value(mesh, k, axis) != 0);
        }
        const interchange::Colour colour = interchange::colour_of(mesh, k);
        mix += colour.red + colour.green + colour.blue;
    }
    for (std::size_t i = 0; i < mesh.face_records; ++i) {
        const interchange::FaceRecord face = interchange::face_record(mesh, i);
        mix += static_cast<std::uint32_t>(face.a ^ face.b ^ face.c ^ face.d);
    }
    sink = mix;
}

void walk_chunks(std::span<const unsigned char> bytes) {
    std::uint64_t offset = interchange::kMagicSize;
    for (;;) {
        const interchange::ChunkStep step = interchange::chunk_at(bytes, offset);
        if (step.kind != interchange::ChunkStepKind::chunk) return;
        // A chunk is at least its header long, so the walk always moves on.
        require(step.header.size >= 16, "a chunk shorter than its header was walked into");
        offset += static_cast<std::uint64_t>(step.header.size);
        require(offset <= bytes.size(), "a chunk walked past the end");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::span<const unsigned char> bytes(data, size);
    interchange::HostMesh mesh;
    const interchange::ReadStatus status = interchange::walk_host_mesh(bytes, mesh);
    if (status.condition == interchange::ReadCondition::read) {
        // The views lie inside the bytes, whatever the headers claim.
        const auto inside = [&](const unsigned char *at, std::uint64_t length) {
            return at >= data && static_cast<std::uint64_t>(at - data) <= size &&
                   length <= size - static_cast<std::uint64_t>(at - data);
        };
        require(inside(mesh.positions, std::uint64_t{mesh.vertex_count} * 12), "positions view");
        require(inside(mesh.colours, std::uint64_t{mesh.vertex_count} * 4), "colours view");
        require(mesh.face_records == 0 || inside(mesh.faces, mesh.face_records * 16), "faces view");
        touch_mesh(mesh);
    } else {
        require(status.condition != interchange::ReadCondition::cannot_open &&
                    status.condition != interchange::ReadCondition::too_large,
                "a walk in memory reported a file condition");
    }
    for (const bool split : {false, true}) {
        const ply::ExportPlan plan = ply::plan_export(bytes, {false, split});
        if (plan.result.condition == ply::ExportCondition::exported) {
            require(
                plan.faces == plan.mesh.face_records + (split ? ply::count_quads(plan.mesh) : 0),
                "the planned face count");
        }
    }
    walk_chunks(bytes);
    return 0;
}
