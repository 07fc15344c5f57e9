// The C++ type behind each scalar type, and byte order swapping, for packed binary values.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <utility>

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

// How a file of `mode` holds its values, the index of the encoder and decoder tables: 0 as text,
// 1 packed in the machine's byte order, 2 packed in the other.
inline int storage_layout(e_ply_storage_mode mode) {
    if (mode == PLY_ASCII) return 0;
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    return file_little == (std::endian::native == std::endian::little) ? 1 : 2;
}

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

// Fills a row of a per-type table with make.operator()<S>() for the eight scalar types, in order.
template <typename Entry, typename Make>
constexpr void fill_by_type(Entry (&row)[kScalarCount], Make make) {
    [&]<std::size_t... S>(std::index_sequence<S...>) {
        ((row[S] = make.template operator()<static_cast<Scalar>(S)>()), ...);
    }
    (std::make_index_sequence<kScalarCount>{});
}

}  // namespace plylib
