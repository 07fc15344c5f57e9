// Any bytes as an interchange file, walked as the export walks it (and chunk by chunk, as the
// stand-in host shows it). Every element the walk finds is read back, so that a place outside
// the bytes fails loudly.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz_support.h"
#include "interchange/chunk_reader.h"
#include "interchange/reader.h"
#include "ply/export.h"

namespace {

using namespace tolvane;
using fuzz::require;

volatile std::uint32_t sink;

// The bytes as a file open for reading, as the export's own input is.
interchange::InputFile open_bytes(const std::uint8_t *data, std::size_t size) {
    interchange::InputFile file;
    // A stream over no bytes at all is refused, so an empty input gets one it never reads.
    static unsigned char none = 0;
    file.stream.reset(
        fmemopen(size > 0 ? const_cast<std::uint8_t *>(data) : &none, size > 0 ? size : 1, "rb"));
    file.size = size;
    require(file.stream != nullptr, "no stream over the input");
    return file;
}

// Every element the walk found is read back, so that a place outside the file fails loudly.
void read_mesh(const interchange::InputFile &file, const interchange::HostMesh &mesh) {
    std::vector<unsigned char> element(16);
    std::uint32_t mix = mesh.declared_faces;
    const auto read_all = [&](std::uint64_t at, std::uint64_t count, std::size_t size) {
        for (std::uint64_t i = 0; i < count; ++i) {
            require(interchange::read_elements(file, at, i, 1, size, element.data()),
                    "an element the walk found cannot be read");
            mix += element[0];
        }
    };
    read_all(mesh.positions_at, mesh.vertex_count, interchange::kVertexSize);
    read_all(mesh.colours_at, mesh.vertex_count, interchange::kColourEntrySize);
    read_all(mesh.faces_at, mesh.face_records, interchange::kFaceSize);
    sink = mix;
}

void walk_chunks(const interchange::InputFile &file) {
    std::uint64_t offset = interchange::kMagicSize;
    for (;;) {
        const interchange::ChunkStep step = interchange::chunk_at(file, offset);
        if (step.kind != interchange::ChunkStepKind::chunk) return;
        // A chunk is at least its header long, so the walk always moves on.
        require(step.header.size >= 16, "a chunk shorter than its header was walked into");
        offset += static_cast<std::uint64_t>(step.header.size);
        require(offset <= file.size, "a chunk walked past the end");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const interchange::InputFile file = open_bytes(data, size);
    interchange::HostMesh mesh;
    const interchange::ReadStatus status = interchange::walk_host_mesh(file, mesh);
    if (status.condition == interchange::ReadCondition::read) {
        read_mesh(file, mesh);
    } else {
        require(status.condition != interchange::ReadCondition::cannot_open,
                "a walk over bytes that are all there found them unreadable");
    }
    for (const bool split : {false, true}) {
        const ply::ExportPlan plan = ply::plan_export(file, {false, split});
        if (plan.result.condition == ply::ExportCondition::exported) {
            require(plan.faces == plan.mesh.face_records + (split ? plan.quads : 0),
                    "the planned face count");
        }
    }
    walk_chunks(file);
    return 0;
}
