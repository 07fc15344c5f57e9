#include "plylib/value_encoders.h"

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "plylib/ascii_numbers.h"
#include "plylib/packed_values.h"
#include "plylib/types.h"

namespace plylib {
namespace {

// Whether the type can hold the value, and the value converted to it.
template <Scalar S>
inline bool convert(double value, typename ValueOf<S>::type *out) {
    using T = typename ValueOf<S>::type;
    if constexpr (S == Scalar::f64) {
        *out = value;
    } else if constexpr (S == Scalar::f32) {
        if (!(value >= -FLT_MAX && value <= FLT_MAX) && !std::isnan(value)) return false;
        *out = static_cast<float>(value);
    } else {
        // Truncation toward zero lands in [lo, hi] exactly when lo - 1 < value < hi + 1; NaN
        // fails both comparisons. The bounds are exact in a double.
        constexpr double below = static_cast<double>(integer_min(S)) - 1.0;
        constexpr double above = static_cast<double>(integer_max(S)) + 1.0;
        if (!(value > below && value < above)) return false;
        *out = static_cast<T>(static_cast<std::int64_t>(value));
    }
    return true;
}

template <typename T>
inline T load(const unsigned char *src) {
    T value;
    std::memcpy(&value, src, sizeof value);
    return value;
}

template <Scalar S, bool Swap, ColumnType C>
std::size_t encode_strided(const unsigned char *src, std::ptrdiff_t stride, std::size_t count,
                           unsigned char *dst, std::size_t dst_stride) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    using Source = typename ColumnValueOf<C>::type;
    for (std::size_t i = 0; i < count; ++i, src += stride, dst += dst_stride) {
        const Source value = load<Source>(src);
        T typed;
        if constexpr (is_integer(S) && std::is_integral_v<Source>) {
            if (value < integer_min(S) || value > integer_max(S)) return i;
            typed = static_cast<T>(value);
        } else if (!convert<S>(static_cast<double>(value), &typed)) {
            return i;
        }
        U bits;
        std::memcpy(&bits, &typed, sizeof(T));
        if constexpr (Swap) bits = byte_swap(bits);
        std::memcpy(dst, &bits, sizeof(U));
    }
    return count;
}

template <Scalar S, bool Swap, ColumnType C>
unsigned char *encode_packed(const unsigned char *src, std::ptrdiff_t stride, std::size_t count,
                             unsigned char *out) {
    constexpr std::size_t kSize = sizeof(typename ValueOf<S>::type);
    if (encode_strided<S, Swap, C>(src, stride, count, out, kSize) != count) return nullptr;
    return out + count * kSize;
}

// The text of each byte value: its digits, then in the last place how many there are.
struct ByteText {
    char text[4];
};
constexpr auto kByteTexts = [] {
    std::array<ByteText, 256> texts{};
    for (int value = 0; value < 256; ++value) {
        char *text = texts[static_cast<std::size_t>(value)].text;
        int digits = 0;
        if (value >= 100) text[digits++] = static_cast<char>('0' + value / 100);
        if (value >= 10) text[digits++] = static_cast<char>('0' + value / 10 % 10);
        text[digits++] = static_cast<char>('0' + value % 10);
        text[3] = static_cast<char>(digits);
    }
    return texts;
}();

template <Scalar S, ColumnType C>
unsigned char *encode_text(const unsigned char *src, std::ptrdiff_t stride, std::size_t count,
                           unsigned char *out) {
    using Source = typename ColumnValueOf<C>::type;
    char *text = reinterpret_cast<char *>(out);
    for (std::size_t i = 0; i < count; ++i, src += stride) {
        const Source value = load<Source>(src);
        if constexpr (is_integer(S) && std::is_same_v<Source, std::uint8_t>) {
            // Colour channels, as a rule: a table's text in one load and one store, which the
            // ASCII export's speed needs.
            if (value > integer_max(S)) return nullptr;
            std::memcpy(text, kByteTexts[value].text, sizeof(ByteText));
            text += kByteTexts[value].text[3];
        } else if constexpr (is_integer(S) && std::is_integral_v<Source>) {
            // An integer that the type holds is written as it is, with no detour through a double.
            if (value < integer_min(S) || value > integer_max(S)) return nullptr;
            text = format_integer(text, value);
        } else {
            typename ValueOf<S>::type typed;
            if (!convert<S>(static_cast<double>(value), &typed)) return nullptr;
            if constexpr (S == Scalar::f32) {
                text = format_float32(text, typed);
            } else if constexpr (S == Scalar::f64) {
                text = format_float64(text, typed);
            } else {
                text = format_integer(text, typed);
            }
        }
        *text++ = ' ';
    }
    return reinterpret_cast<unsigned char *>(text);
}

// By file layout (text, packed in the machine's byte order, packed swapped), then by the type
// of the values at hand and the property's type.
struct EncoderTable {
    Encoder encoders[3][kColumnTypeCount][kScalarCount] = {};
    StridedEncoder strided[2][kColumnTypeCount][kScalarCount] = {};
    template <ColumnType C>
    constexpr void fill_column() {
        constexpr int column = static_cast<int>(C);
        fill_by_type(encoders[0][column], []<Scalar S>() { return encode_text<S, C>; });
        fill_by_type(encoders[1][column], []<Scalar S>() { return encode_packed<S, false, C>; });
        fill_by_type(encoders[2][column], []<Scalar S>() { return encode_packed<S, true, C>; });
        fill_by_type(strided[0][column], []<Scalar S>() { return encode_strided<S, false, C>; });
        fill_by_type(strided[1][column], []<Scalar S>() { return encode_strided<S, true, C>; });
    }
    constexpr EncoderTable() {
        fill_column<ColumnType::int32>();
        fill_column<ColumnType::uint8>();
        fill_column<ColumnType::float32>();
        fill_column<ColumnType::float64>();
    }
};
constexpr EncoderTable kEncoders;

}  // namespace

Encoder encoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType source) {
    return kEncoders.encoders[storage_layout(mode)][static_cast<int>(source)]
                             [static_cast<int>(canonical(type))];
}

StridedEncoder strided_encoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType source) {
    if (mode == PLY_ASCII) return nullptr;
    return kEncoders.strided[storage_layout(mode) - 1][static_cast<int>(source)]
                            [static_cast<int>(canonical(type))];
}

bool list_length(e_ply_type length_type, double value, std::int64_t *length) {
    if (!(value > -1.0)) return false;  // negative, or NaN
    const Scalar type = canonical(length_type);
    double stored = value;
    if (is_integer(type)) {
        if (!(value < static_cast<double>(integer_max(type)) + 1.0)) return false;
        stored = std::trunc(value);
    } else if (type == Scalar::f32) {
        if (value > FLT_MAX) return false;
        stored = static_cast<double>(static_cast<float>(value));
    }
    if (!(stored <= 9.0e18) || stored != std::trunc(stored)) return false;
    *length = static_cast<std::int64_t>(stored);
    return true;
}

}  // namespace plylib
