// Decimal numbers as PLY ASCII files hold them, read and written the same way whatever the
// process locale (std::from_chars, and shortest_float.h for floating-point text).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace plylib {

enum class NumberStatus : std::uint8_t { ok, invalid, out_of_range };

// The whole of [begin, end) must be a decimal integer (optional leading '+' or '-') within
// [lo, hi].
NumberStatus parse_integer(const char *begin, const char *end, std::int64_t lo, std::int64_t hi,
                           std::int64_t *value);
// The whole of [begin, end) must be a number as the C runtime's strtod takes it in the "C"
// locale (an optional sign; decimal, hexadecimal after "0x", "nan" and "nan(...)" in any case),
// whose value is NaN or within the type's finite range ("inf", "infinity" and "1e40" for float
// are out of range). Numbers too small for the type read as a zero of their sign.
NumberStatus parse_float32(const char *begin, const char *end, float *value);
NumberStatus parse_float64(const char *begin, const char *end, double *value);

// Writers: the decimal text of a value at `out` (room for kMaxNumberChars), returning the end.
inline constexpr int kMaxNumberChars = 32;
char *format_wide_integer(char *out, std::int64_t value);

// The digits of a value below 2^32, counted first so that each pair goes straight to its place
// (what nearly every integer of a mesh file is: vertex indices, counts, colour channels).
inline char *format_unsigned32(char *out, std::uint32_t value) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    static constexpr std::uint32_t kPowersOfTen[] = {
        1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    // bit_width x log10(2) is the number of digits, or one more.
    const auto estimate = static_cast<unsigned>(std::bit_width(value) * 1233) >> 12;
    char *const end = out + estimate + (value >= kPowersOfTen[estimate] ? 1 : 0);
    char *p = end;
    while (value >= 100) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10) {
        std::memcpy(p - 2, kPairs + 2 * value, 2);
    } else {
        p[-1] = static_cast<char>('0' + value);
    }
    return end;
}

inline char *format_integer(char *out, std::int64_t value) {
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    if (value >= 0 && value < kLimit)
        return format_unsigned32(out, static_cast<std::uint32_t>(value));
    if (value < 0 && value > -kLimit) {
        *out = '-';
        return format_unsigned32(out + 1, static_cast<std::uint32_t>(-value));
    }
    return format_wide_integer(out, value);
}

// The shortest text that reads back to the identical value.
char *format_float32(char *out, float value);
char *format_float64(char *out, double value);

}  // namespace plylib
