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

// The text of a value of the type.
template <Scalar S>
inline char *format_value(char *out, typename ValueOf<S>::type typed) {
    if constexpr (S == Scalar::f32) {
        return format_float32(out, typed);
    } else if constexpr (S == Scalar::f64) {
        return format_float64(out, typed);
    } else {
        return format_integer(out, typed);
    }
}

template <Scalar S>
bool encode_ascii(ByteSink &sink, double value, bool separate) {
    typename ValueOf<S>::type typed;
    if (!convert<S>(value, &typed)) return false;
    char *text = reinterpret_cast<char *>(sink.reserve(kMaxNumberChars + 1));
    if (separate) *text++ = ' ';
    sink.commit(reinterpret_cast<unsigned char *>(format_value<S>(text, typed)));
    return true;
}

template <Scalar S, bool Swap>
bool encode_binary(ByteSink &sink, double value, bool) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    T typed;
    if (!convert<S>(value, &typed)) return false;
    U bits;
    std::memcpy(&bits, &typed, sizeof(T));
    if constexpr (Swap) bits = byte_swap(bits);
    unsigned char *out = sink.reserve(sizeof(U));
    std::memcpy(out, &bits, sizeof(U));
    sink.commit(out + sizeof(U));
    return true;
}

template <typename T>
inline T load(const unsigned char *src) {
    T value;
    std::memcpy(&value, src, sizeof value);
    return value;
}

template <Scalar S, bool Swap, ColumnType C>
std::size_t encode_strided(const unsigned char *src, std::size_t stride, std::size_t count,
                           unsigned char *dst, std::size_t dst_stride) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    using Source = typename ColumnValueOf<C>::type;
    for (std::size_t i = 0; i < count; ++i, src += stride, dst += dst_stride) {
        T typed;
        if (!convert<S>(static_cast<double>(load<Source>(src)), &typed)) return i;
        U bits;
        std::memcpy(&bits, &typed, sizeof(T));
        if constexpr (Swap) bits = byte_swap(bits);
        std::memcpy(dst, &bits, sizeof(U));
    }
    return count;
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
char *encode_text(const unsigned char *src, std::size_t stride, std::size_t count, char *out) {
    using Source = typename ColumnValueOf<C>::type;
    for (std::size_t i = 0; i < count; ++i, src += stride) {
        const Source value = load<Source>(src);
        if constexpr (is_integer(S) && std::is_same_v<Source, std::uint8_t>) {
            // Colour channels, as a rule: one load and one store from a table.
            if (value > integer_max(S)) return nullptr;
            std::memcpy(out, kByteTexts[value].text, sizeof(ByteText));
            out += kByteTexts[value].text[3];
        } else if constexpr (is_integer(S) && std::is_integral_v<Source>) {
            // An integer that the type holds is written as it is, with no detour through a double.
            if (value < integer_min(S) || value > integer_max(S)) return nullptr;
            out = format_integer(out, value);
        } else {
            typename ValueOf<S>::type typed;
            if (!convert<S>(static_cast<double>(value), &typed)) return nullptr;
            out = format_value<S>(out, typed);
        }
        *out++ = ' ';
    }
    return out;
}

template <bool Swap, ColumnType C>
struct StridedRow {
    template <Scalar S>
    struct Make {
        static constexpr StridedEncoder value = encode_strided<S, Swap, C>;
    };
};
template <ColumnType C>
struct TextRow {
    template <Scalar S>
    struct Make {
        static constexpr TextEncoder value = encode_text<S, C>;
    };
};

template <Scalar S>
struct AsciiEncoder {
    static constexpr Encoder value = encode_ascii<S>;
};
template <Scalar S>
struct NativeEncoder {
    static constexpr Encoder value = encode_binary<S, false>;
};
template <Scalar S>
struct SwappedEncoder {
    static constexpr Encoder value = encode_binary<S, true>;
};

struct EncoderTable {
    Encoder ascii[kScalarCount] = {};
    Encoder native[kScalarCount] = {};
    Encoder swapped[kScalarCount] = {};
    StridedEncoder native_strided[kColumnTypeCount][kScalarCount] = {};
    StridedEncoder swapped_strided[kColumnTypeCount][kScalarCount] = {};
    TextEncoder text[kColumnTypeCount][kScalarCount] = {};
    template <ColumnType C>
    constexpr void fill_column() {
        constexpr int row = static_cast<int>(C);
        fill_by_type<StridedRow<false, C>::template Make>(native_strided[row]);
        fill_by_type<StridedRow<true, C>::template Make>(swapped_strided[row]);
        fill_by_type<TextRow<C>::template Make>(text[row]);
    }
    constexpr EncoderTable() {
        fill_by_type<AsciiEncoder>(ascii);
        fill_by_type<NativeEncoder>(native);
        fill_by_type<SwappedEncoder>(swapped);
        fill_column<ColumnType::int32>();
        fill_column<ColumnType::uint8>();
        fill_column<ColumnType::float32>();
        fill_column<ColumnType::float64>();
    }
};
constexpr EncoderTable kEncoders;

}  // namespace

Encoder encoder_for(e_ply_storage_mode mode, e_ply_type type) {
    const int index = static_cast<int>(canonical(type));
    if (mode == PLY_ASCII) return kEncoders.ascii[index];
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    const bool machine_little = std::endian::native == std::endian::little;
    return file_little == machine_little ? kEncoders.native[index] : kEncoders.swapped[index];
}

StridedEncoder strided_encoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column) {
    if (mode == PLY_ASCII) return nullptr;
    const int index = static_cast<int>(canonical(type));
    const int row = static_cast<int>(column);
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    const bool machine_little = std::endian::native == std::endian::little;
    return file_little == machine_little ? kEncoders.native_strided[row][index]
                                         : kEncoders.swapped_strided[row][index];
}

TextEncoder text_encoder_for(e_ply_type type, ColumnType column) {
    return kEncoders.text[static_cast<int>(column)][static_cast<int>(canonical(type))];
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
