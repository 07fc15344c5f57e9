// The C++ type behind each scalar type, and byte order swapping, for packed binary values.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <tuple>

#include "plylib/types.h"

namespace plylib {

template <Scalar S>
struct ValueOf {
    using type =
        std::tuple_element_t<static_cast<int>(S),
                             std::tuple<std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
                                        std::int32_t, std::uint32_t, float, double>>;
};

template <std::size_t N>
struct UnsignedOf {
    using type =
        std::tuple_element_t<std::bit_width(N) - 1,
                             std::tuple<std::uint8_t, std::uint16_t, std::uint32_t, std::uint64_t>>;
};

// One byte-swap instruction each (GCC 12 kept a shift loop for the portable spelling).
template <typename U>
inline U byte_swap(U v) {
    if constexpr (sizeof(U) == 1) {
        return v;
    } else if constexpr (sizeof(U) == 2) {
        return __builtin_bswap16(v);
    } else if constexpr (sizeof(U) == 4) {
        return __builtin_bswap32(v);
    } else {
        static_assert(sizeof(U) == 8);
        return __builtin_bswap64(v);
    }
}

// Fills a row of a per-type table with Make<S>::value for the eight scalar types, in order.
template <template <Scalar> class Make, typename Entry>
constexpr void fill_by_type(Entry (&row)[kScalarCount]) {
    row[0] = Make<Scalar::i8>::value;
    row[1] = Make<Scalar::u8>::value;
    row[2] = Make<Scalar::i16>::value;
    row[3] = Make<Scalar::u16>::value;
    row[4] = Make<Scalar::i32>::value;
    row[5] = Make<Scalar::u32>::value;
    row[6] = Make<Scalar::f32>::value;
    row[7] = Make<Scalar::f64>::value;
}

}  // namespace plylib
