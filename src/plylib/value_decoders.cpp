#include "plylib/value_decoders.h"

#include <bit>
#include <cstring>

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

inline bool is_blank(unsigned char c) { return kBlanks.blank[c]; }

DecodeStatus from_number_status(NumberStatus status) {
    switch (status) {
        case NumberStatus::ok: return DecodeStatus::ok;
        case NumberStatus::out_of_range: return DecodeStatus::out_of_range;
        case NumberStatus::invalid: break;
    }
    return DecodeStatus::invalid;
}

template <Scalar S>
DecodeStatus decode_ascii(ValueInput &input, double *value) {
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
        status = parse_integer(input.token_begin, input.token_end, integer_min(S),
                               integer_max(S), &parsed);
        *value = static_cast<double>(parsed);
    }
    return status == NumberStatus::ok ? DecodeStatus::ok : from_number_status(status);
}

// Binary values are packed; `Swap` when the file's byte order is not the machine's.
template <Scalar S, bool Swap>
DecodeStatus decode_binary(ValueInput &input, double *value) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    U bits;
    ByteSource &source = input.source;
    if (static_cast<std::size_t>(source.end - source.cur) >= sizeof(U)) {
        std::memcpy(&bits, source.cur, sizeof(U));
        source.cur += sizeof(U);
    } else if (!source.read(&bits, sizeof(U))) {
        return input.end_status();
    }
    if constexpr (Swap) bits = byte_swap(bits);
    T typed;
    std::memcpy(&typed, &bits, sizeof(T));
    *value = static_cast<double>(typed);
    return DecodeStatus::ok;
}

template <Scalar S> struct AsciiDecoder { static constexpr Decoder value = decode_ascii<S>; };
template <Scalar S> struct NativeDecoder { static constexpr Decoder value = decode_binary<S, false>; };
template <Scalar S> struct SwappedDecoder { static constexpr Decoder value = decode_binary<S, true>; };

struct DecoderTable {
    Decoder ascii[kScalarCount] = {};
    Decoder native[kScalarCount] = {};
    Decoder swapped[kScalarCount] = {};
    constexpr DecoderTable() {
        fill_by_type<AsciiDecoder>(ascii);
        fill_by_type<NativeDecoder>(native);
        fill_by_type<SwappedDecoder>(swapped);
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

}  // namespace plylib
