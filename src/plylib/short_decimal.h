// The common short decimal of ASCII data ("-12.375", "0.5e-3"), converted without
// std::from_chars where plain double arithmetic is exact, to the value std::from_chars gives.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "plylib/decimal_digits.h"

namespace plylib {

// Whether double expressions are evaluated in double precision (SSE2 and every 64-bit
// target; not the x87 unit of 32-bit x86 without SSE2).
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
inline constexpr bool kDoubleArithmeticIsExact = true;
#else
inline constexpr bool kDoubleArithmeticIsExact = false;
#endif

// A number without a '+' sign, of at most 19 digits, a mantissa up to 2^53 and a power of ten
// up to 1e22. False leaves the number to std::from_chars; true sets `stop` just past the
// number's text. `float32` rounds the value to float (a result on a float rounding midpoint is
// left to std::from_chars).
template <bool kInlineDigits>
[[gnu::always_inline]] inline bool parse_short_decimal(const char *begin, const char *end,
                                                       bool float32, double *value,
                                                       const char **stop) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::ptrdiff_t kMaxDigits = 19;  // 10^19 - 1 fits in 64 bits
    const auto *p = reinterpret_cast<const unsigned char *>(begin);
    const auto *const last = reinterpret_cast<const unsigned char *>(end);
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    const unsigned char *const whole = p;
    p = accumulate_digits<kInlineDigits>(p, last, mantissa);
    std::ptrdiff_t digits = p - whole;
    int exponent = 0;
    if (p != last && *p == '.') {
        const unsigned char *const fraction = ++p;
        p = accumulate_digits<kInlineDigits>(p, last, mantissa);
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
        if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) return false;
        result = static_cast<double>(mantissa);
        result = exponent < 0 ? result / kPowersOfTen[-exponent] : result * kPowersOfTen[exponent];
        if (float32) {
            // Rounding the double to float is the correct rounding of the number unless the
            // double sits exactly on a midpoint between two floats (its 29 low bits 1000...0).
            // The values here are normal floats (1e-22 .. 9.1e37).
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
