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

bool is_digit(char c) {
    return c >= '0' && c <= '9';
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

template <typename Float>
NumberStatus parse_float(const char *begin, const char *end, Float *value) {
    if (!skip_plus(begin, end)) return NumberStatus::invalid;
    Float parsed = 0;
    const auto [stop, error] = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (stop != end || error == std::errc::invalid_argument) return NumberStatus::invalid;
    if (error == std::errc::result_out_of_range) {
        if (!magnitude_below_one(begin, end)) return NumberStatus::out_of_range;
        parsed = *begin == '-' ? -Float(0) : Float(0);
    } else if (error != std::errc{}) {
        return NumberStatus::invalid;
    }
    // "inf", "infinity" and "nan" in any case are read by from_chars; they are no numbers here.
    if (!std::isfinite(parsed)) return NumberStatus::invalid;
    *value = parsed;
    return NumberStatus::ok;
}

}  // namespace

NumberStatus parse_integer(const char *begin, const char *end, std::int64_t lo, std::int64_t hi,
                           std::int64_t *value) {
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
    return std::to_chars(out, out + kMaxNumberChars, value).ptr;
}

char *format_float32(char *out, float value) {
    return std::to_chars(out, out + kMaxNumberChars, value).ptr;
}

char *format_float64(char *out, double value) {
    return std::to_chars(out, out + kMaxNumberChars, value).ptr;
}

}  // namespace plylib
