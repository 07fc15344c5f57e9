// Packed 4-byte values that need no conversion (an int32 or a float32 in the machine's byte order,
// to or from a column of that type), copied a record's run of them at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plylib/column.h"
#include "plylib/rply.h"
#include "plylib/types.h"

namespace plylib {

// Whether a value of `type` in a file of storage `mode` and its column's value of `column` type
// are the same bytes: an int32 or a float32 in the machine's byte order.
inline bool copied_as_is(e_ply_storage_mode mode, e_ply_type type, ColumnType column) {
    const bool native = (mode == PLY_BIG_ENDIAN) == (std::endian::native == std::endian::big);
    const Scalar scalar = canonical(type);
    return native && ((column == ColumnType::int32 && scalar == Scalar::i32) ||
                      (column == ColumnType::float32 && scalar == Scalar::f32));
}

// For the first of each run of up to four neighbouring properties (of `count`) that are
// `copyable` and that each `joins` the one before (the next value of the same source and the
// next place of the same destination, say), how many the run holds; 0 for every other property.
template <typename Copyable, typename Joins>
std::vector<std::size_t> copied_runs(std::size_t count, Copyable copyable, Joins joins) {
    std::vector<std::size_t> runs(count, 0);
    for (std::size_t p = 0; p < count;) {
        std::size_t run = copyable(p) ? 1 : 0;
        while (run > 0 && run < 4 && p + run < count && copyable(p + run) &&
               joins(p + run - 1, p + run))
            ++run;
        runs[p] = run;
        p += run > 0 ? run : 1;
    }
    return runs;
}

// `count` runs of `words` 4-byte values: from `src` on, `stride` bytes apart, to `dst` on,
// `dst_stride` bytes apart. Returns whether every value, read as a float, is finite: callers that
// copy floats leave a run with a NaN or an infinity to their converters, which decide on those.
inline bool copy_words(const unsigned char *src, std::size_t stride, std::size_t words,
                       std::size_t count, unsigned char *dst, std::size_t dst_stride) {
    // A float's exponent bits plus one unit of them reach its sign bit only when they are all
    // ones.
    constexpr std::uint32_t kExponent = 0x7f800000, kUnit = 0x00800000;
    std::uint32_t unusual = 0;
    for (std::size_t r = 0; r < count; ++r, src += stride, dst += dst_stride) {
        for (std::size_t w = 0; w < words; ++w) {
            std::uint32_t value;
            std::memcpy(&value, src + 4 * w, 4);
            std::memcpy(dst + 4 * w, &value, 4);
            unusual |= (value & kExponent) + kUnit;
        }
    }
    return (unusual >> 31) == 0;
}

}  // namespace plylib
