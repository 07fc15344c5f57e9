#include "plylib/value_encoders.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

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

template <Scalar S>
bool encode_ascii(ByteSink &sink, double value, bool separate) {
    typename ValueOf<S>::type typed;
    if (!convert<S>(value, &typed)) return false;
    unsigned char *out = sink.reserve(kMaxNumberChars + 1);
    char *text = reinterpret_cast<char *>(out);
    if (separate) *text++ = ' ';
    if constexpr (S == Scalar::f32) {
        text = format_float32(text, typed);
    } else if constexpr (S == Scalar::f64) {
        text = format_float64(text, typed);
    } else {
        text = format_integer(text, static_cast<std::int64_t>(typed));
    }
    sink.commit(reinterpret_cast<unsigned char *>(text));
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
    constexpr EncoderTable() {
        fill_by_type<AsciiEncoder>(ascii);
        fill_by_type<NativeEncoder>(native);
        fill_by_type<SwappedEncoder>(swapped);
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

}  // namespace plylib
