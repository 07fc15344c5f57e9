// Conversions from the doubles a PLY reader delivers, defined for every double: NaN, infinities
// and values far outside the target's range included.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tolvane::ply {

// The value truncated toward zero, reduced to its low 32 bits (two's complement); 0 where there
// is no integer (NaN, infinities).
inline std::uint32_t low_32_bits(double value) {
    // Every value a file really holds takes this path: the conversion itself truncates toward
    // zero. The rest are reduced exactly below.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (value > -kTwoTo63 && value < kTwoTo63) {
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
    }
    const double whole = std::trunc(value);
    if (!std::isfinite(whole)) return 0;
    constexpr double kTwoTo32 = 4294967296.0;
    double reduced = std::fmod(whole, kTwoTo32);  // exact, in (-2^32, 2^32)
    if (reduced < 0) reduced += kTwoTo32;
    return static_cast<std::uint32_t>(reduced);
}

inline std::int32_t truncate_to_int32(double value) {
    return static_cast<std::int32_t>(low_32_bits(value));
}

// Rounds to the nearest float32 as the hardware does: values past the largest float round to
// it or to infinity, NaN stays NaN.
inline float nearest_float(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    constexpr double kOverflow = 0x1.ffffffp127;  // halfway between the largest float and 2^128
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    const double magnitude = std::fabs(value);
    if (magnitude <= kLargest) return static_cast<float>(value);
    const float bound =
        magnitude < kOverflow ? std::numeric_limits<float>::max() : std::numeric_limits<float>::infinity();
    return value < 0 ? -bound : bound;
}

}  // namespace tolvane::ply
