// The PLY scalar types: their header words, sizes and value ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plylib/rply.h"

namespace plylib {

// The eight distinct scalar types; each e_ply_type below PLY_LIST is one of them under one of
// its two spellings (PLY_CHAR is PLY_INT8, ..., PLY_DOUBLE is PLY_FLOAT64).
enum class Scalar : std::uint8_t { i8, u8, i16, u16, i32, u32, f32, f64 };
inline constexpr int kScalarCount = 8;

constexpr bool is_scalar_type(int type) {
    return type >= PLY_INT8 && type < PLY_LIST;
}
constexpr Scalar canonical(e_ply_type type) {
    return static_cast<Scalar>(static_cast<int>(type) & 7);
}
constexpr bool is_integer(Scalar s) {
    return s != Scalar::f32 && s != Scalar::f64;
}

constexpr std::size_t scalar_size(Scalar s) {
    constexpr std::size_t kSizes[kScalarCount] = {1, 1, 2, 2, 4, 4, 4, 8};
    return kSizes[static_cast<int>(s)];
}
// The range of an integer type (0 for the float types).
constexpr std::int64_t integer_min(Scalar s) {
    constexpr std::int64_t kMin[kScalarCount] = {INT8_MIN, 0, INT16_MIN, 0, INT32_MIN, 0, 0, 0};
    return kMin[static_cast<int>(s)];
}
constexpr std::int64_t integer_max(Scalar s) {
    constexpr std::int64_t kMax[kScalarCount] = {INT8_MAX,  UINT8_MAX,  INT16_MAX, UINT16_MAX,
                                                 INT32_MAX, UINT32_MAX, 0,         0};
    return kMax[static_cast<int>(s)];
}

// The header word of a type as declared ("float" for PLY_FLOAT, "float32" for PLY_FLOAT32).
const char *type_word(e_ply_type type);
// Parses one of the sixteen scalar type words; "list" and anything else give false.
bool parse_scalar_type_word(std::string_view word, e_ply_type *type);

}  // namespace plylib
