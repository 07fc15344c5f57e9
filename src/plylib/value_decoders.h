// Reading one value of a PLY data section. A decoder is chosen once per property from a table
// indexed by storage mode and type; the per-value path is one call through that pointer.
#pragma once

#include <cstdint>
#include <string>

#include "plylib/byte_source.h"
#include "plylib/column.h"
#include "plylib/rply.h"

namespace plylib {

enum class DecodeStatus : std::uint8_t { ok, end_of_input, read_error, invalid, out_of_range };

// The byte source plus the ASCII tokenizer's state.
class ValueInput {
  public:
    explicit ValueInput(ByteSource &source) : source(source) {}

    ByteSource &source;

    // ASCII: the next blank-separated token, which stays valid until the next call. A token
    // that straddles blocks is gathered in a buffer that grows only with the bytes read.
    // False at the end of the input (or on a read error).
    bool next_token();
    const char *token_begin = nullptr;
    const char *token_end = nullptr;

    DecodeStatus end_status() const {
        return source.read_failed() ? DecodeStatus::read_error : DecodeStatus::end_of_input;
    }

  private:
    bool finish_straddling_token(const unsigned char *start);
    std::string straddle_;
};

using Decoder = DecodeStatus (*)(ValueInput &input, double *value);

// `mode` is the file's storage mode (PLY_DEFAULT is not a file's mode); `type` a scalar type.
Decoder decoder_for(e_ply_storage_mode mode, e_ply_type type);

// Binary only: a value whose bytes all lie in the current block, decoded straight from them
// (the reader's fast path; the Decoder handles values that straddle blocks or the end).
using PackedDecoder = double (*)(const unsigned char *bytes);
PackedDecoder packed_decoder_for(e_ply_storage_mode mode, e_ply_type type);

// The bulk reader's decoders: the same decoding with the per-value call taken out. A value is
// converted to a column's type exactly as column_value<T>() converts the double the decoders
// above give.

// Binary: `count` packed values `stride` bytes apart, all within the block, into a column at
// `dst`, `dst_stride` bytes apart.
using StridedDecoder = void (*)(const unsigned char *src, std::size_t stride, std::size_t count,
                                unsigned char *dst, std::size_t dst_stride);
StridedDecoder strided_decoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column);

// ASCII: the next `count` values where they lie in the block (blanks before each skipped),
// stored one after another from `dst`, and `p` moved past them. False, with `p` unchanged, sends
// them to the general path: a token that reaches the block's end, an unusual or invalid one.
using InPlaceDecoder = bool (*)(const unsigned char *&p, const unsigned char *end,
                                unsigned char *dst, std::size_t count);
InPlaceDecoder in_place_decoder_for(e_ply_type type, ColumnType column);
// The same for a value that is only checked (dst is not looked at).
InPlaceDecoder in_place_checker_for(e_ply_type type);

// ASCII: one instance of the usual face list where it lies, a count of one byte's type and that
// many 32-bit integers. A count in [min_length, width] fills `row` (each entry's low 32 bits,
// then `pad`) and sets *kept; another count has its entries checked and passed over. False,
// with `p` unchanged, sends the instance to the general path. Null for other value types.
using CountedRowDecoder = bool (*)(const unsigned char *&p, const unsigned char *end,
                                   std::size_t min_length, std::size_t width, std::int32_t pad,
                                   std::int32_t *row, bool *kept);
CountedRowDecoder counted_row_decoder_for(e_ply_type value_type);

}  // namespace plylib
