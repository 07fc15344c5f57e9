// Walks an interchange file chunk by chunk, by each chunk's own size, whatever its kinds and
// order: the stand-in host shows with it what a host actually wrote. The export does not use it
// (it finds its chunks by the host's arithmetic, see reader.h).
#pragma once

#include <cstdint>
#include "interchange/input_file.h"

namespace tolvane::interchange {

struct ChunkHeader {
    std::uint64_t offset = 0;
    std::uint32_t tag = 0;
    std::int32_t size = 0;  // the whole chunk, header included
    std::uint32_t count = 0;
};

enum class ChunkStepKind {
    chunk,           // a chunk that lies wholly inside the file; the next one follows it
    end_marker,      // tag 0: the walk ends here
    end_of_file,     // the file ends exactly here, with no end marker
    partial_header,  // fewer than 16 bytes are left
    size_too_small,  // a size below 16 (zero and negative included) cannot lead to a next chunk
    past_end,        // the chunk's size runs past the end of the file
    unreadable,      // the header's bytes are there but cannot be read
};

struct ChunkStep {
    ChunkStepKind kind = ChunkStepKind::end_of_file;
    ChunkHeader header;  // for every kind but end_of_file and partial_header
};

// The chunk starting at `offset`; a chunk step's successor starts at offset + header.size.
ChunkStep chunk_at(const InputFile &file, std::uint64_t offset);

}  // namespace tolvane::interchange
