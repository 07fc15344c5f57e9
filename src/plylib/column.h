// Typed columns: what the bulk reader fills and what the bulk writer takes. A column belongs to
// its caller and outlives the PLY handle, so a conversion can close its input before it uses
// the values.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <tuple>
#include <type_traits>

#include "plylib/large_memory.h"

namespace plylib {

enum class ColumnType : std::uint8_t { int32, uint8, float32, float64 };
inline constexpr int kColumnTypeCount = 4;

constexpr std::size_t column_value_size(ColumnType type) {
    constexpr std::size_t kSizes[kColumnTypeCount] = {4, 1, 4, 8};
    return kSizes[static_cast<int>(type)];
}

template <ColumnType C>
struct ColumnValueOf {
    using type = std::tuple_element_t<static_cast<int>(C),
                                      std::tuple<std::int32_t, std::uint8_t, float, double>>;
};

template <typename T>
constexpr ColumnType column_type_of() {
    if constexpr (std::is_same_v<T, std::int32_t>) {
        return ColumnType::int32;
    } else if constexpr (std::is_same_v<T, std::uint8_t>) {
        return ColumnType::uint8;
    } else if constexpr (std::is_same_v<T, float>) {
        return ColumnType::float32;
    } else {
        static_assert(std::is_same_v<T, double>, "no column holds this type");
        return ColumnType::float64;
    }
}

// A growable array of values of one type. The storage is not zero-filled: only the first
// `size` values were ever written.
struct Column {
    explicit Column(ColumnType type = ColumnType::float32) : type(type) {}

    ColumnType type;
    LargeMemory storage;
    std::size_t size = 0;      // values held
    std::size_t capacity = 0;  // values the storage has room for

    // A column may be handed on as it fills instead of growing to hold a whole element: when
    // the reader needs more room than `capacity` while the column holds values (of whole
    // instances or rows only), it first calls drain(*this, drain_context) with them and then
    // refills the column from its start. What is held at the end stays in the column.
    void (*drain)(Column &column, void *context) = nullptr;
    void *drain_context = nullptr;
};

template <typename T>
std::span<const T> column_values(const Column &column) {
    if (column.type != column_type_of<T>() || !column.storage) return {};
    return {reinterpret_cast<const T *>(column.storage.get()), column.size};
}

// Room for at least `values` values, the ones held kept; false when memory runs out.
bool reserve_column(Column &column, std::size_t values) noexcept;

// Stores `value`, converted by column_value<T>(), as a value of `type` at `at`
// (column_value_size(type) bytes, any alignment).
void store_value_as(ColumnType type, unsigned char *at, double value);

// How a value read as a double becomes a column's value. Defined for every double: NaN,
// infinities and values far outside the type's range included.

// Truncated toward zero and reduced to its low 32 bits (two's complement); 0 where there is no
// integer (NaN, infinities).
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

// Rounds to the nearest float32 as the hardware does: values past the largest float round to
// it or to infinity; every NaN becomes the one quiet NaN.
inline float nearest_float(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    constexpr double kOverflow = 0x1.ffffffp127;  // halfway between the largest float and 2^128
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    const double magnitude = std::fabs(value);
    if (magnitude <= kLargest) return static_cast<float>(value);
    const float bound = magnitude < kOverflow ? std::numeric_limits<float>::max()
                                              : std::numeric_limits<float>::infinity();
    return value < 0 ? -bound : bound;
}

// column_value<T>() of a whole number held as an integer (what an integer file type gives), for
// the integer column types, without passing by a double: its low bits.
template <typename T>
inline T integer_column_value(std::int64_t value) {
    static_assert(std::is_integral_v<T>);
    return static_cast<T>(static_cast<std::uint32_t>(value));
}

template <typename T>
inline T column_value(double value) {
    if constexpr (std::is_same_v<T, float>) {
        return nearest_float(value);
    } else if constexpr (std::is_same_v<T, double>) {
        return value;
    } else {
        return static_cast<T>(low_32_bits(value));
    }
}

}  // namespace plylib
