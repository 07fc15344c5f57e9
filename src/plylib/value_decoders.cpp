#include "plylib/value_decoders.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>
#include <type_traits>

#include "plylib/ascii_numbers.h"
#include "plylib/packed_values.h"
#include "plylib/types.h"

namespace plylib {
namespace {

// Bytes that separate ASCII tokens.
struct BlankTable {
    bool blank[256] = {};
    constexpr BlankTable() {
        blank[static_cast<unsigned char>(' ')] = true;
        blank[static_cast<unsigned char>('\t')] = true;
        blank[static_cast<unsigned char>('\n')] = true;
        blank[static_cast<unsigned char>('\r')] = true;
        blank[static_cast<unsigned char>('\v')] = true;
        blank[static_cast<unsigned char>('\f')] = true;
    }
};
constexpr BlankTable kBlanks;

inline bool is_blank(unsigned char c) {
    return kBlanks.blank[c];
}

DecodeStatus from_number_status(NumberStatus status) {
    switch (status) {
        case NumberStatus::ok:
            return DecodeStatus::ok;
        case NumberStatus::out_of_range:
            return DecodeStatus::out_of_range;
        case NumberStatus::invalid:
            break;
    }
    return DecodeStatus::invalid;
}

// The general path: the whole token, wherever it lies, checked with the full rules.
template <Scalar S>
DecodeStatus decode_ascii_token(ValueInput &input, double *value) {
    if (!input.next_token()) return input.end_status();
    NumberStatus status;
    if constexpr (S == Scalar::f32) {
        float parsed = 0;
        status = parse_float32(input.token_begin, input.token_end, &parsed);
        *value = parsed;
    } else if constexpr (S == Scalar::f64) {
        double parsed = 0;
        status = parse_float64(input.token_begin, input.token_end, &parsed);
        *value = parsed;
    } else {
        std::int64_t parsed = 0;
        status = parse_integer(input.token_begin, input.token_end, integer_min(S), integer_max(S),
                               &parsed);
        *value = static_cast<double>(parsed);
    }
    return status == NumberStatus::ok ? DecodeStatus::ok : from_number_status(status);
}

// The usual token, parsed where it lies in the block: a number followed by a blank. Sets
// `stop` just past it and returns true; false sends the token to the general path (a token
// that straddles blocks, a long or unusual one, or one that is no number of the type).
template <Scalar S>
inline bool parse_in_place(const char *p, const char *end, double *value, const char **stop) {
    if constexpr (S == Scalar::f32 || S == Scalar::f64) {
        using Float = std::conditional_t<S == Scalar::f32, float, double>;
        if (*p == '+' && ++p != end && (*p == '-' || *p == '+')) return false;
        if (parse_short_decimal(p, end, S == Scalar::f32, value, stop)) return true;
        Float parsed;
        const auto [after, error] = std::from_chars(p, end, parsed, std::chars_format::general);
        if (error != std::errc{} || !std::isfinite(parsed)) return false;
        *value = parsed;
        *stop = after;
    } else {
        // At most 18 digits cannot overflow; longer numbers take the general path.
        bool negative = false;
        if (*p == '-' || *p == '+') negative = *p++ == '-';
        const char *const digits = p;
        std::uint64_t magnitude = 0;  // wraps harmlessly past 19 digits: refused below
        while (p != end && static_cast<unsigned char>(*p - '0') < 10)
            magnitude = magnitude * 10 + static_cast<unsigned char>(*p++ - '0');
        if (p == digits || p - digits > 18) return false;
        const auto parsed =
            negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        if (parsed < integer_min(S) || parsed > integer_max(S)) return false;
        *value = static_cast<double>(parsed);
        *stop = p;
    }
    return true;
}

template <Scalar S>
DecodeStatus decode_ascii(ValueInput &input, double *value) {
    ByteSource &source = input.source;
    const unsigned char *p = source.cur;
    const unsigned char *const end = source.end;
    while (p != end && is_blank(*p)) ++p;
    if (p != end) {
        const char *stop = nullptr;
        if (parse_in_place<S>(reinterpret_cast<const char *>(p),
                              reinterpret_cast<const char *>(end), value, &stop) &&
            stop != reinterpret_cast<const char *>(end) &&
            is_blank(static_cast<unsigned char>(*stop))) {
            source.cur = reinterpret_cast<const unsigned char *>(stop);
            return DecodeStatus::ok;
        }
    }
    source.cur = p;
    return decode_ascii_token<S>(input, value);
}

// Binary values are packed; `Swap` when the file's byte order is not the machine's.
template <Scalar S, bool Swap>
inline double unpack(const unsigned char *bytes) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    U bits;
    std::memcpy(&bits, bytes, sizeof(U));
    if constexpr (Swap) bits = byte_swap(bits);
    T typed;
    std::memcpy(&typed, &bits, sizeof(T));
    return static_cast<double>(typed);
}

template <Scalar S, bool Swap>
DecodeStatus decode_binary(ValueInput &input, double *value) {
    constexpr std::size_t kSize = sizeof(typename ValueOf<S>::type);
    ByteSource &source = input.source;
    if (static_cast<std::size_t>(source.end - source.cur) >= kSize) {
        *value = unpack<S, Swap>(source.cur);
        source.cur += kSize;
        return DecodeStatus::ok;
    }
    unsigned char bytes[kSize];
    if (!source.read(bytes, kSize)) return input.end_status();
    *value = unpack<S, Swap>(bytes);
    return DecodeStatus::ok;
}

template <Scalar S>
struct AsciiDecoder {
    static constexpr Decoder value = decode_ascii<S>;
};
template <Scalar S>
struct NativeDecoder {
    static constexpr Decoder value = decode_binary<S, false>;
};
template <Scalar S>
struct SwappedDecoder {
    static constexpr Decoder value = decode_binary<S, true>;
};

template <Scalar S>
struct NativePacked {
    static constexpr PackedDecoder value = unpack<S, false>;
};
template <Scalar S>
struct SwappedPacked {
    static constexpr PackedDecoder value = unpack<S, true>;
};

struct DecoderTable {
    Decoder ascii[kScalarCount] = {};
    Decoder native[kScalarCount] = {};
    Decoder swapped[kScalarCount] = {};
    PackedDecoder native_packed[kScalarCount] = {};
    PackedDecoder swapped_packed[kScalarCount] = {};
    constexpr DecoderTable() {
        fill_by_type<AsciiDecoder>(ascii);
        fill_by_type<NativeDecoder>(native);
        fill_by_type<SwappedDecoder>(swapped);
        fill_by_type<NativePacked>(native_packed);
        fill_by_type<SwappedPacked>(swapped_packed);
    }
};
constexpr DecoderTable kDecoders;

}  // namespace

bool ValueInput::next_token() {
    const unsigned char *p = source.cur;
    const unsigned char *end = source.end;
    for (;;) {
        while (p != end && is_blank(*p)) ++p;
        if (p != end) break;
        if (!source.refill()) return false;
        p = source.cur;
        end = source.end;
    }
    const unsigned char *start = p;
    while (p != end && !is_blank(*p)) ++p;
    source.cur = p;
    if (p == end) return finish_straddling_token(start);
    token_begin = reinterpret_cast<const char *>(start);
    token_end = reinterpret_cast<const char *>(p);
    return true;
}

bool ValueInput::finish_straddling_token(const unsigned char *start) {
    straddle_.assign(reinterpret_cast<const char *>(start),
                     static_cast<std::size_t>(source.end - start));
    while (source.refill()) {
        const unsigned char *p = source.cur;
        while (p != source.end && !is_blank(*p)) ++p;
        straddle_.append(reinterpret_cast<const char *>(source.cur),
                         static_cast<std::size_t>(p - source.cur));
        source.cur = p;
        if (p != source.end) break;
    }
    if (source.read_failed()) return false;
    token_begin = straddle_.data();
    token_end = straddle_.data() + straddle_.size();
    return true;
}

Decoder decoder_for(e_ply_storage_mode mode, e_ply_type type) {
    const int index = static_cast<int>(canonical(type));
    if (mode == PLY_ASCII) return kDecoders.ascii[index];
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    const bool machine_little = std::endian::native == std::endian::little;
    return file_little == machine_little ? kDecoders.native[index] : kDecoders.swapped[index];
}

PackedDecoder packed_decoder_for(e_ply_storage_mode mode, e_ply_type type) {
    if (mode == PLY_ASCII) return nullptr;
    const int index = static_cast<int>(canonical(type));
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    const bool machine_little = std::endian::native == std::endian::little;
    return file_little == machine_little ? kDecoders.native_packed[index]
                                         : kDecoders.swapped_packed[index];
}

}  // namespace plylib
