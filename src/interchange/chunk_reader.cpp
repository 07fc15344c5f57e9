#include "interchange/chunk_reader.h"

#include "interchange/format.h"

namespace tolvane::interchange {

ChunkStep chunk_at(std::span<const unsigned char> bytes, std::uint64_t offset) {
    ChunkStep step;
    if (offset >= bytes.size()) return step;
    if (bytes.size() - offset < kChunkHeaderSize) {
        step.kind = ChunkStepKind::partial_header;
        return step;
    }
    const unsigned char *at = bytes.data() + offset;
    step.header = {offset, load_u32(at), load_i32(at + 4), load_u32(at + 8)};
    if (step.header.tag == kEndTag) {
        step.kind = ChunkStepKind::end_marker;
    } else if (step.header.size < static_cast<std::int32_t>(kChunkHeaderSize)) {
        step.kind = ChunkStepKind::size_too_small;
    } else if (static_cast<std::uint64_t>(step.header.size) > bytes.size() - offset) {
        step.kind = ChunkStepKind::past_end;
    } else {
        step.kind = ChunkStepKind::chunk;
    }
    return step;
}

}  // namespace tolvane::interchange
