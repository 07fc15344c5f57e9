// Decimal text read where it lies in a block: the short decimals of ASCII data ("-12.375",
// "0.5e-3") converted without the standard library where plain double arithmetic is exact, and
// runs of up to eight digits read from one load.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plylib/packed_values.h"

namespace plylib {

// 10^0 to 10^19, every power of ten a 64-bit integer holds: for the readers and writers of
// decimal text alike.
inline constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t &entry : powers) {
        entry = power;
        power *= 10;  // wraps after the last entry, which is harmless
    }
    return powers;
}();

struct DigitRun {
    unsigned count;       // digits before the first byte that is none (8: all eight are)
    std::uint32_t value;  // what those digits say
};

// The digits at the start of the eight bytes at `p`, which must all be readable, from one load:
// the face lines' indices, where a loop over single digits mispredicts each number's end.
inline DigitRun digit_run8(const unsigned char *p) {
    std::uint64_t offsets;  // the first byte lowest, less '0' in each: a digit becomes 0..9
    std::memcpy(&offsets, p, sizeof offsets);
    if constexpr (std::endian::native == std::endian::big) offsets = byte_swap(offsets);
    offsets ^= 0x3030303030303030u;
    // Every byte that is no digit gets its top bit set by one of the two terms (adding 0x76 to
    // the low seven bits cannot carry).
    const std::uint64_t not_digit =
        (((offsets & 0x7f7f7f7f7f7f7f7fu) + 0x7676767676767676u) | offsets) & 0x8080808080808080u;
    const unsigned count = not_digit ? static_cast<unsigned>(std::countr_zero(not_digit)) / 8 : 8;
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
// such numbers by their count), returning the first byte after them. Inlined: the parsers call it
// once or twice per number.
[[gnu::always_inline]] inline const unsigned char *accumulate_digits(const unsigned char *p,
                                                                     const unsigned char *end,
                                                                     std::uint64_t &mantissa) {
    while (p != end && static_cast<unsigned char>(*p - '0') < 10)
        mantissa = mantissa * 10 + static_cast<unsigned char>(*p++ - '0');
    return p;
}

// Whether double expressions are evaluated in double precision (SSE2 and every 64-bit
// target; not the x87 unit of 32-bit x86 without SSE2).
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
inline constexpr bool kDoubleArithmeticIsExact = true;
#else
inline constexpr bool kDoubleArithmeticIsExact = false;
#endif

// A number without a '+' sign, of at most 19 digits, a mantissa up to 2^53 and a power of ten
// up to 10^18. False leaves the number to std::from_chars; true sets `stop` just past the
// number's text. `float32` rounds the value to float (a result on a float rounding midpoint is
// left to std::from_chars).
[[gnu::always_inline]] inline bool parse_short_decimal(const char *begin, const char *end,
                                                       bool float32, double *value,
                                                       const char **stop) {
    constexpr std::ptrdiff_t kMaxDigits = 19;  // 10^19 - 1 fits in 64 bits
    // Powers up to this are exact in a double and in a signed 64-bit integer.
    constexpr int kMaxPower = 18;
    const auto *p = reinterpret_cast<const unsigned char *>(begin);
    const auto *const last = reinterpret_cast<const unsigned char *>(end);
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    const unsigned char *const whole = p;
    p = accumulate_digits(p, last, mantissa);
    std::ptrdiff_t digits = p - whole;
    int exponent = 0;
    if (p != last && *p == '.') {
        const unsigned char *const fraction = ++p;
        p = accumulate_digits(p, last, mantissa);
        digits += p - fraction;
        if (p - fraction > kMaxDigits) return false;
        exponent = -static_cast<int>(p - fraction);
    }
    if (digits == 0 || digits > kMaxDigits) return false;
    if (p != last && (*p == 'e' || *p == 'E')) {
        const unsigned char *q = p + 1;
        bool exponent_negative = false;
        if (q != last && (*q == '-' || *q == '+')) exponent_negative = *q++ == '-';
        if (q == last || static_cast<unsigned char>(*q - '0') >= 10)
            return false;  // "1e": from_chars stops before the 'e'
        int written = 0;
        for (int exponent_digits = 0; q != last && static_cast<unsigned char>(*q - '0') < 10; ++q) {
            if (++exponent_digits > 4) return false;
            written = written * 10 + (*q - '0');
        }
        exponent += exponent_negative ? -written : written;
        p = q;
    }
    double result = 0;
    if (mantissa != 0) {
        // Clinger's fast path: both operands exact, so the one rounding is the correct one.
        // That needs arithmetic in plain double (not x87's extended precision, where a second
        // rounding could differ).
        if constexpr (!kDoubleArithmeticIsExact) return false;
        if (mantissa > (std::uint64_t{1} << 53) || exponent < -kMaxPower || exponent > kMaxPower)
            return false;
        const auto power = static_cast<double>(static_cast<std::int64_t>(
            kPowersOfTen[static_cast<std::size_t>(exponent < 0 ? -exponent : exponent)]));
        result = static_cast<double>(mantissa);
        result = exponent < 0 ? result / power : result * power;
        if (float32) {
            // Rounding the double to float is the correct rounding of the number unless the
            // double sits exactly on a midpoint between two floats (its 29 low bits 1000...0).
            // The values here are normal floats (1e-18 .. 9.1e33).
            std::uint64_t bits;
            std::memcpy(&bits, &result, sizeof bits);
            if ((bits & 0x1fffffff) == 0x10000000) return false;
            result = static_cast<double>(static_cast<float>(result));
        }
    }
    *value = negative ? -result : result;
    *stop = reinterpret_cast<const char *>(p);
    return true;
}

}  // namespace plylib
