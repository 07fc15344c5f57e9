// Decimal numbers as PLY ASCII files hold them, read and written the same way whatever the
// process locale (std::from_chars, and shortest_float.h for floating-point text).
#pragma once

#include <cstdint>

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
char *format_integer(char *out, std::int64_t value);

// The shortest text that reads back to the identical value.
char *format_float32(char *out, float value);
char *format_float64(char *out, double value);

}  // namespace plylib
