// Writing the values of a PLY data section. An encoder is chosen once per property from tables
// indexed by storage mode, the type of the values at hand and the property's type.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plylib/column.h"
#include "plylib/rply.h"

namespace plylib {

// `count` values `stride` bytes apart (backwards when negative) at `src`, checked that the type can
// hold them (integers: after truncation toward zero; float32: within +-FLT_MAX or NaN; float64:
// anything) and written at `out`: packed in the file's byte order, or as text each followed by a
// blank (room for kMaxNumberChars + 1 each). Returns the end; null, with nothing meaningful
// written, when the type cannot hold one of them.
using Encoder = unsigned char *(*)(const unsigned char *src, std::ptrdiff_t stride,
                                   std::size_t count, unsigned char *out);

// `mode` is the file's storage mode (PLY_DEFAULT already resolved); `type` a scalar type; the
// values are of the `source` type (doubles for ply_write).
Encoder encoder_for(e_ply_storage_mode mode, e_ply_type type,
                    ColumnType source = ColumnType::float64);

// Binary records: the same into packed values `dst_stride` bytes apart, returning how many were
// written before the first one the type cannot hold (`count` for all).
using StridedEncoder = std::size_t (*)(const unsigned char *src, std::ptrdiff_t stride,
                                       std::size_t count, unsigned char *dst,
                                       std::size_t dst_stride);
StridedEncoder strided_encoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType source);

// The number of entries a list length value gives, when the length type holds it as a
// non-negative integer.
bool list_length(e_ply_type length_type, double value, std::int64_t *length);

}  // namespace plylib
