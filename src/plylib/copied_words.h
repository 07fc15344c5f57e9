// Packed 4-byte values that need no conversion (an int32 or a float32 in the machine's byte order,
// to or from a column of that type), copied a record's run of them at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plylib {

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
