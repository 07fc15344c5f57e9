#include "plylib/ascii_numbers.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "plylib/shortest_float.h"

namespace plylib {
namespace {

// A '+' sign is allowed where from_chars wants none; "+-1" and "++1" stay invalid.
bool skip_plus(const char *&begin, const char *end) {
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin == end || *begin == '+' || *begin == '-') return false;
    }
    return true;
}

bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// from_chars reports both overflow and underflow as out of range; this tells them apart by the
// decimal exponent of the leading significant digit of a well-formed number (from_chars already
// accepted its syntax). True when the number's magnitude is below 1.
bool magnitude_below_one(const char *p, const char *end) {
    if (p != end && (*p == '-' || *p == '+')) ++p;
    long long lead = 0;  // the exponent of the first significant digit, before the 'e' part
    bool seen_nonzero = false;
    long long integer_digits = 0;
    for (; p != end && is_digit(*p); ++p) {
        if (*p != '0') seen_nonzero = true;
        if (seen_nonzero) ++integer_digits;
    }
    if (seen_nonzero) {
        lead = integer_digits - 1;
    } else if (p != end && *p == '.') {
        ++p;
        long long zeros = 0;
        for (; p != end && *p == '0'; ++p) ++zeros;
        if (p == end || !is_digit(*p)) return true;  // the number is zero
        lead = -(zeros + 1);
    }
    while (p != end && (is_digit(*p) || *p == '.')) ++p;
    long long exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
        for (; p != end && is_digit(*p); ++p) {
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    if (lead > 1000000000) lead = 1000000000;  // digits beyond that are beyond any type anyway
    return lead + exponent < 0;
}

// Whether a hexadecimal number (the digits after "0x", already accepted by from_chars) has a
// magnitude below 1: from_chars reports overflow and underflow alike.
bool hex_magnitude_below_one(const char *p, const char *end) {
    const auto hex_value = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    long long lead = 0;  // the binary exponent of the leading set bit, before the 'p' part
    bool seen_nonzero = false;
    long long integer_digits = 0;
    int first_digit = 0;
    for (; p != end && hex_value(*p) >= 0; ++p) {
        if (!seen_nonzero && *p != '0') {
            seen_nonzero = true;
            first_digit = hex_value(*p);
        }
        if (seen_nonzero && integer_digits < 1000000000) ++integer_digits;
    }
    if (seen_nonzero) {
        lead = 4 * (integer_digits - 1);
    } else if (p != end && *p == '.') {
        ++p;
        long long zeros = 0;
        for (; p != end && *p == '0'; ++p)
            if (zeros < 1000000000) ++zeros;
        if (p == end || hex_value(*p) < 0) return true;  // the number is zero
        first_digit = hex_value(*p);
        lead = -4 * (zeros + 1);
    }
    lead += std::bit_width(static_cast<unsigned>(first_digit)) - 1;
    while (p != end && (hex_value(*p) >= 0 || *p == '.')) ++p;
    long long exponent = 0;
    if (p != end && (*p == 'p' || *p == 'P')) {
        ++p;
        bool negative = false;
        if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
        for (; p != end && is_digit(*p); ++p) {
            if (exponent < 1000000000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return lead + exponent < 0;
}

// As the C runtime's strtod takes a whole token in the "C" locale: an optional sign, then a
// decimal number, a hexadecimal one after "0x", "inf", "infinity" or "nan" and "nan(...)" in any
// case. A value beyond the type's largest finite one is out of range (infinities included); a
// value too small for the type reads as a zero of its sign; NaN is taken. Cold, as the parsers
// below are: they serve the tokens that the in-place parsers leave, and are built small.
template <typename Float>
[[gnu::cold]] NumberStatus parse_float(const char *begin, const char *end, Float *value) {
    const char *p = begin;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == end || *p == '+' || *p == '-') return NumberStatus::invalid;
    const bool hex = end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    const char *const digits = hex ? p + 2 : p;
    if (hex && (*digits == '+' || *digits == '-')) return NumberStatus::invalid;
    Float parsed = 0;
    const auto [stop, error] = std::from_chars(
        digits, end, parsed, hex ? std::chars_format::hex : std::chars_format::general);
    if (stop != end || error == std::errc::invalid_argument) return NumberStatus::invalid;
    if (error == std::errc::result_out_of_range) {
        const bool tiny =
            hex ? hex_magnitude_below_one(digits, end) : magnitude_below_one(digits, end);
        if (!tiny) return NumberStatus::out_of_range;
        parsed = 0;
    } else if (error != std::errc{}) {
        return NumberStatus::invalid;
    }
    if (std::isinf(parsed)) return NumberStatus::out_of_range;
    *value = negative ? -parsed : parsed;
    return NumberStatus::ok;
}

}  // namespace

[[gnu::cold]] NumberStatus parse_integer(const char *begin, const char *end, std::int64_t lo,
                                         std::int64_t hi, std::int64_t *value) {
    if (!skip_plus(begin, end)) return NumberStatus::invalid;
    std::int64_t parsed = 0;
    const auto [stop, error] = std::from_chars(begin, end, parsed, 10);
    if (stop != end || error == std::errc::invalid_argument) return NumberStatus::invalid;
    if (error == std::errc::result_out_of_range) return NumberStatus::out_of_range;
    if (error != std::errc{}) return NumberStatus::invalid;
    if (parsed < lo || parsed > hi) return NumberStatus::out_of_range;
    *value = parsed;
    return NumberStatus::ok;
}

NumberStatus parse_float32(const char *begin, const char *end, float *value) {
    return parse_float(begin, end, value);
}

NumberStatus parse_float64(const char *begin, const char *end, double *value) {
    return parse_float(begin, end, value);
}

char *format_integer(char *out, std::int64_t value) {
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    if (value >= 0 && value < kLimit)
        return format_unsigned32(out, static_cast<std::uint32_t>(value));
    if (value < 0 && value > -kLimit) {
        *out = '-';
        return format_unsigned32(out + 1, static_cast<std::uint32_t>(-value));
    }
    return std::to_chars(out, out + kMaxNumberChars, value).ptr;
}

char *format_float32(char *out, float value) {
    return format_shortest(out, value);
}

char *format_float64(char *out, double value) {
    return format_shortest(out, value);
}

}  // namespace plylib
