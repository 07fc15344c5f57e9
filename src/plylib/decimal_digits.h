// Decimal digits read eight bytes at a time, for the numbers of ASCII data that lie wholly in
// a block. Reading a byte at a time costs a multiply-add and a hard-to-predict branch per digit;
// here a run of up to eight digits takes a few shifts and multiplies whatever its length.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plylib/packed_values.h"

namespace plylib {

// 10^0 to 10^19, every power of ten a 64-bit integer holds: for the readers and writers of
// decimal text alike.
inline constexpr std::uint64_t kPowersOfTen[] = {1,
                                                 10,
                                                 100,
                                                 1000,
                                                 10000,
                                                 100000,
                                                 1000000,
                                                 10000000,
                                                 100000000,
                                                 1000000000,
                                                 10000000000,
                                                 100000000000,
                                                 1000000000000,
                                                 10000000000000,
                                                 100000000000000,
                                                 1000000000000000,
                                                 10000000000000000,
                                                 100000000000000000,
                                                 1000000000000000000,
                                                 10000000000000000000u};

struct DigitRun {
    unsigned count;       // digits before the first byte that is none (8: all eight are)
    std::uint32_t value;  // what those digits say
};

// The eight bytes at `p` (which must all be readable), the first in the lowest byte, less '0'
// from each: a digit's byte becomes 0..9.
inline std::uint64_t digit_offsets8(const unsigned char *p) {
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    if constexpr (std::endian::native == std::endian::big) bytes = byte_swap(bytes);
    return bytes ^ 0x3030303030303030u;
}

// How many of those bytes are digits before the first that is none.
inline unsigned leading_digits8(std::uint64_t offsets) {
    // Every byte that is no digit gets its top bit set by one of the two terms (adding 0x76 to
    // the low seven bits cannot carry).
    const std::uint64_t not_digit =
        (((offsets & 0x7f7f7f7f7f7f7f7fu) + 0x7676767676767676u) | offsets) & 0x8080808080808080u;
    return not_digit ? static_cast<unsigned>(std::countr_zero(not_digit)) / 8 : 8;
}

// The digits at the start of the eight bytes at `p`, which must all be readable.
inline DigitRun digit_run8(const unsigned char *p) {
    const std::uint64_t offsets = digit_offsets8(p);
    const unsigned count = leading_digits8(offsets);
    if (count == 0) return {0, 0};
    // The digits moved to the top bytes, below them zeros (leading zeros of the number), then
    // joined in pairs, fours and eights.
    std::uint64_t value = offsets << (8 * (8 - count));
    value = (value * 2561) >> 8 & 0x00ff00ff00ff00ffu;
    value = (value * 6553601) >> 16 & 0x0000ffff0000ffffu;
    value = (value * 42949672960001u) >> 32;
    return {count, static_cast<std::uint32_t>(value)};
}

// The digits from `p` onwards added to `mantissa` (which wraps past 19 digits: callers refuse
// such numbers by their count), returning the first byte after them.
[[gnu::always_inline]] inline const unsigned char *accumulate_digits_inline(
    const unsigned char *p, const unsigned char *end, std::uint64_t &mantissa) {
    while (end - p >= 8) {
        const DigitRun run = digit_run8(p);
        mantissa = mantissa * kPowersOfTen[run.count] + run.value;
        p += run.count;
        if (run.count < 8) return p;
    }
    while (p != end && static_cast<unsigned char>(*p - '0') < 10)
        mantissa = mantissa * 10 + static_cast<unsigned char>(*p++ - '0');
    return p;
}

// The first byte from `p` onwards that is no digit, for numbers only checked, not kept.
inline const unsigned char *skip_digits(const unsigned char *p, const unsigned char *end) {
    while (end - p >= 8) {
        const unsigned count = leading_digits8(digit_offsets8(p));
        p += count;
        if (count < 8) return p;
    }
    while (p != end && static_cast<unsigned char>(*p - '0') < 10) ++p;
    return p;
}

// The same in one copy, for the parsers of the types that files seldom use: inlined into every
// parser, it made the 32-bit plug-in 15 KB larger.
[[gnu::noinline]] inline const unsigned char *accumulate_digits(const unsigned char *p,
                                                                const unsigned char *end,
                                                                std::uint64_t &mantissa) {
    return accumulate_digits_inline(p, end, mantissa);
}

// Inlined where `kInline`: the parsers of the types that nearly every file uses, where the call
// costs a tenth of the time of a number. Not on 32-bit targets, where each copy of this 64-bit
// arithmetic is several times larger and the plug-in has a size limit to keep.
template <bool kInline>
inline const unsigned char *accumulate_digits(const unsigned char *p, const unsigned char *end,
                                              std::uint64_t &mantissa) {
    if constexpr (kInline && sizeof(void *) == 8) {
        return accumulate_digits_inline(p, end, mantissa);
    } else {
        return accumulate_digits(p, end, mantissa);
    }
}

}  // namespace plylib
