#include "interchange/chunk_reader.h"

#include "interchange/format.h"

namespace tolvane::interchange {

ChunkStep chunk_at(const InputFile &file, std::uint64_t offset) {
    ChunkStep step;
    if (offset >= file.size) return step;
    if (file.size - offset < kChunkHeaderSize) {
        step.kind = ChunkStepKind::partial_header;
        return step;
    }
    unsigned char at[kChunkHeaderSize];
    if (!read_at(file, offset, at, sizeof at)) {
        step.kind = ChunkStepKind::unreadable;
        return step;
    }
    step.header = {offset, load_u32(at), load_i32(at + 4), load_u32(at + 8)};
    if (step.header.tag == kEndTag) {
        step.kind = ChunkStepKind::end_marker;
    } else if (step.header.size < static_cast<std::int32_t>(kChunkHeaderSize)) {
        step.kind = ChunkStepKind::size_too_small;
    } else if (static_cast<std::uint64_t>(step.header.size) > file.size - offset) {
        step.kind = ChunkStepKind::past_end;
    } else {
        step.kind = ChunkStepKind::chunk;
    }
    return step;
}

}  // namespace tolvane::interchange
