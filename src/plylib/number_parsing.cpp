// The full parsers of ascii_numbers.h: every token the in-place parsers leave, checked by its
// rules, with std::from_chars doing the conversion.
#include "plylib/ascii_numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

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

int digit_value(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// from_chars reports overflow and underflow alike as out of range. The two lie far apart, so the
// place of the first significant digit and the exponent part tell them apart: true when the
// number's magnitude is below 1. `p` is at the digits of a number whose syntax from_chars took
// (after the sign, and after "0x" for a hexadecimal one, whose exponent counts bits).
bool magnitude_below_one(const char *p, const char *end, bool hex) {
    const auto digit = [hex](const char *at) { return digit_value(*at, hex) >= 0; };
    while (p != end && *p == '0') ++p;
    const char *const first = p;
    while (p != end && digit(p)) ++p;
    long long lead = p - first - 1;  // the exponent of the first significant digit
    if (p == first && p != end && *p == '.') {
        const char *const zeros = ++p;
        while (p != end && *p == '0') ++p;
        if (p == end || !digit(p)) return true;  // the number is zero
        lead = -(p - zeros) - 1;
    }
    while (p != end && (digit(p) || *p == '.')) ++p;
    long long exponent = 0;
    if (p != end && (*p == (hex ? 'p' : 'e') || *p == (hex ? 'P' : 'E'))) {
        ++p;
        bool negative = false;
        if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
        for (; p != end && digit_value(*p, false) >= 0; ++p) {
            if (exponent < 1000000000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return lead * (hex ? 4 : 1) + exponent < 0;
}

// As the C runtime's strtod takes a whole token in the "C" locale: an optional sign, then a
// decimal number, a hexadecimal one after "0x", "inf", "infinity" or "nan" and "nan(...)" in any
// case. A value beyond the type's largest finite one is out of range (infinities included); a
// value too small for the type reads as a zero of its sign; NaN is taken.
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
        if (!magnitude_below_one(digits, end, hex)) return NumberStatus::out_of_range;
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

}  // namespace plylib
