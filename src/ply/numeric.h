// Conversions from the doubles a PLY reader delivers, defined for every double: NaN, infinities
// and values far outside the target's range included. The PLY library's columns convert the
// same way, so both ways of reading give the same values.
#pragma once

#include <cstdint>

#include "plylib/column.h"

namespace tolvane::ply {

using plylib::low_32_bits;
using plylib::nearest_float;

inline std::int32_t truncate_to_int32(double value) {
    return static_cast<std::int32_t>(low_32_bits(value));
}

}  // namespace tolvane::ply
