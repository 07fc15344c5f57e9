// Writes a checked mesh as a PLY file through the PLY library, into a file beside the target
// that replaces it only once every byte is written. The mesh is read from the interchange file a
// block at a time as it is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "interchange/reader.h"
#include "platform/safe_output.h"
#include "ply/export.h"

namespace tolvane::ply {

// A block holds this many vertices (positions, then colours) or face records: the same bytes.
// The PLY writer goes over a block once for each property, so a block and the output it makes
// are kept small enough to stay in the processor's second-level cache meanwhile.
inline constexpr std::size_t kBlockElements = std::size_t{1} << 13;
inline constexpr std::size_t kBlockBytes = kBlockElements * interchange::kFaceSize;
static_assert(kBlockBytes ==
              kBlockElements * (interchange::kVertexSize + interchange::kColourEntrySize));

// One block's bytes, not cleared: only the bytes read into it are looked at.
using InputBlock = std::unique_ptr<unsigned char[]>;
inline InputBlock make_input_block() {
    return std::make_unique_for_overwrite<unsigned char[]>(kBlockBytes);
}

// The index of the first of `values` float32 values at `at` that is infinite or NaN, or
// `values` when all are finite.
std::size_t first_non_finite(const unsigned char *at, std::size_t values);

// `faces` is the count the header declares; it must be the number of faces the records give
// under `options`. Returns coordinate_not_finite at the first block holding such a coordinate,
// and cannot_open when the input cannot be read. On `exported`, every byte is written and closed
// in `output`, which the caller commits once it has let go of the input (the two may name one
// file).
ExportCondition write_ply(SafeOutput &output, const char *output_path,
                          const interchange::InputFile &input, const interchange::HostMesh &mesh,
                          std::uint64_t faces, const ExportOptions &options, unsigned char *block);

}  // namespace tolvane::ply
