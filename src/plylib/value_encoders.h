// Writing one value of a PLY data section. An encoder is chosen once per property from a table
// indexed by storage mode and type.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plylib/byte_sink.h"
#include "plylib/column.h"
#include "plylib/rply.h"

namespace plylib {

// Checks that the type can hold `value` (integers: after truncation toward zero; float32:
// within +-FLT_MAX or NaN; float64: anything) and writes it, after a blank when `separate` (ASCII
// only). False, with nothing written, when the value is refused.
using Encoder = bool (*)(ByteSink &sink, double value, bool separate);

// `mode` is the file's storage mode (PLY_DEFAULT already resolved); `type` a scalar type.
Encoder encoder_for(e_ply_storage_mode mode, e_ply_type type);

// The number of entries a list length value gives, when the length type holds it as a
// non-negative integer.
bool list_length(e_ply_type length_type, double value, std::int64_t *length);

// The bulk writer's encoders: the same checks and bytes as an Encoder given the value as a
// double, from a column's type, with the per-value call taken out.

// Binary: `count` values `stride` bytes apart into packed values `dst_stride` bytes apart.
// Returns how many were written before the first one the type cannot hold (`count` for all).
using StridedEncoder = std::size_t (*)(const unsigned char *src, std::size_t stride,
                                       std::size_t count, unsigned char *dst,
                                       std::size_t dst_stride);
StridedEncoder strided_encoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column);

// ASCII: `count` values `stride` bytes apart at `out`, each followed by a blank (room for
// kMaxNumberChars + 1 each), returning the end; null, with nothing meaningful written, when the
// type cannot hold one of them.
using TextEncoder = char *(*)(const unsigned char *src, std::size_t stride, std::size_t count,
                              char *out);
TextEncoder text_encoder_for(e_ply_type type, ColumnType column);

}  // namespace plylib
