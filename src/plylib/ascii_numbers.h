// Decimal numbers as PLY ASCII files hold them, read and written the same way whatever the
// process locale (std::from_chars, and shortest_float.h for floating-point text).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// Writers: the decimal text of a value at `out` (room for kMaxNumberChars), returning the end.
inline constexpr int kMaxNumberChars = 32;

// The eight decimal digits of a value below 10^8 as eight characters, the first at the lowest
// address: four-digit halves, split into pairs and then digits in every lane at once.
inline std::uint64_t eight_digit_text(std::uint32_t value) {
    std::uint64_t x = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t hundreds = (x * 10486) >> 20 & 0x0000007f0000007fu;  // n / 100, n < 10^4
    x = hundreds | (x - hundreds * 100) << 16;
    const std::uint64_t tens = (x * 103) >> 10 & 0x000f000f000f000fu;  // n / 10, n < 100
    x = tens | (x - tens * 10) << 8;
    return x + 0x3030303030303030u;
}

// How many digits a value below 2^32 has (1 for 0).
inline unsigned decimal_digit_count(std::uint32_t value) {
    // bit_width x log10(2) is the number of digits less one, or that number.
    const auto estimate = static_cast<unsigned>(std::bit_width(value | 1) * 1233) >> 12;
    return estimate + (value >= kPowersOfTen[estimate] ? 1 : 0) + (value == 0);
}

// The digits of a value below 2^32 (what nearly every integer of a mesh file is: vertex
// indices, counts, colour channels), with no loop over them. Writes up to 16 bytes at `out`.
inline char *format_unsigned32(char *out, std::uint32_t value) {
    unsigned count = decimal_digit_count(value);
    const auto put = [&out](std::uint64_t text, unsigned digits) {
        // The last `digits` characters moved to the front, stored first byte first.
        text >>= 8 * (8 - digits);
        if constexpr (std::endian::native == std::endian::big) text = __builtin_bswap64(text);
        std::memcpy(out, &text, sizeof text);
        out += digits;
    };
    if (count > 8) {
        put(eight_digit_text(value / 100000000), count - 8);
        value %= 100000000;
        count = 8;
    }
    put(eight_digit_text(value), count);
    return out;
}

// The text of each byte value: its digits, then in the fourth place how many there are.
struct ByteText {
    char text[4];
};
inline constexpr std::array<ByteText, 256> kByteTexts = [] {
    std::array<ByteText, 256> texts{};
    for (int value = 0; value < 256; ++value) {
        char *text = texts[static_cast<std::size_t>(value)].text;
        int digits = 0;
        if (value >= 100) text[digits++] = static_cast<char>('0' + value / 100);
        if (value >= 10) text[digits++] = static_cast<char>('0' + value / 10 % 10);
        text[digits++] = static_cast<char>('0' + value % 10);
        text[3] = static_cast<char>(digits);
    }
    return texts;
}();

// A byte value (a colour channel, as a rule) with one load and one store from a table. Writes
// four bytes at `out`: the count stored after the digits lies past the text, where what follows
// overwrites it or it is never handed on.
inline char *format_byte(char *out, std::uint8_t value) {
    const ByteText &text = kByteTexts[value];
    std::memcpy(out, text.text, sizeof text.text);
    return out + text.text[3];
}

// Any integer; those of a magnitude below 2^32 by format_unsigned32.
char *format_integer(char *out, std::int64_t value);

// The shortest text that reads back to the identical value.
char *format_float32(char *out, float value);
char *format_float64(char *out, double value);

}  // namespace plylib
