// Decimal numbers as PLY ASCII files hold them, read and written the same way whatever the
// process locale. Reading: std::from_chars behind the in-place parsers of decimal_digits.h.
// Writing: one routine for an integer's digits, and the shortest text of a float or a double.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "plylib/decimal_digits.h"

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

// Writers (number_text.cpp): the decimal text of a value at `out` (room for kMaxNumberChars),
// returning the end. Bytes past the end may be overwritten: the caller writes over them or never
// hands them on.
inline constexpr int kMaxNumberChars = 32;

// How many digits a value has (1 for 0).
[[gnu::always_inline]] inline int decimal_digit_count(std::uint64_t value) {
    value |= 1;  // no odd value is one less than a power of ten but 0: the same count, 1 for 0
    // bit_width x log10(2) is the number of digits less one, or that number.
    const int estimate = std::bit_width(value) * 1233 >> 12;
    return estimate + (value >= kPowersOfTen[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

// The eight decimal digits of a value below 10^8 as eight characters, the first in the lowest
// byte: four-digit halves, split into pairs and then digits in every lane at once.
[[gnu::always_inline]] inline std::uint64_t eight_digit_text(std::uint32_t value) {
    std::uint64_t x = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t hundreds = (x * 10486) >> 20 & 0x0000007f0000007fu;  // n / 100, n < 10^4
    x = hundreds | (x - hundreds * 100) << 16;
    const std::uint64_t tens = (x * 103) >> 10 & 0x000f000f000f000fu;  // n / 10, n < 100
    x = tens | (x - tens * 10) << 8;
    return x + 0x3030303030303030u;
}

// Eight characters, the first in the lowest byte of `text`, stored at `to`.
[[gnu::always_inline]] inline void store_text(char *to, std::uint64_t text) {
    if constexpr (std::endian::native == std::endian::big) text = byte_swap(text);
    std::memcpy(to, &text, sizeof text);
}

char *write_long_digits(char *out, std::uint64_t value);

// The digits of `value` (no sign, "0" for 0) at `out`, returning the end; stores up to seven
// bytes past it. Eight digits at a time as one store, with no loop over single digits.
[[gnu::always_inline]] inline char *write_digits(char *out, std::uint64_t value) {
    if (value >= 100000000) return write_long_digits(out, value);
    const int count = decimal_digit_count(value);
    store_text(out, eight_digit_text(static_cast<std::uint32_t>(value)) >> 8 * (8 - count));
    return out + count;
}

// Any integer: a '-' and its magnitude's digits.
[[gnu::always_inline]] inline char *format_integer(char *out, std::int64_t value) {
    *out = '-';
    const auto bits = static_cast<std::uint64_t>(value);
    return write_digits(out + (value < 0 ? 1 : 0), value < 0 ? 0 - bits : bits);
}

// The shortest text that reads back to the identical value, as std::to_chars gives it with no
// format ("nan", "inf", "-0" included).
char *format_float32(char *out, float value);
char *format_float64(char *out, double value);
// The same as a string, for messages.
std::string number_text(double value);

}  // namespace plylib
