#include "plylib/value_decoders.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>
#include <type_traits>

#include "plylib/ascii_numbers.h"
#include "plylib/decimal_digits.h"
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

// The first byte from `p` on that is no blank, or `end`.
inline const unsigned char *skip_blanks(const unsigned char *p, const unsigned char *end) {
    while (p != end && is_blank(*p)) ++p;
    return p;
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
[[gnu::cold]] DecodeStatus decode_ascii_token(ValueInput &input, double *value) {
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

// A decimal integer of the type where it lies, kept as an integer. At most 18 digits cannot
// overflow; longer numbers take the general path. `kInlineDigits` for the hot loops of the
// usual files.
template <Scalar S, bool kInlineDigits = false>
inline bool parse_integer_in_place(const char *text, const char *end, std::int64_t *value,
                                   const char **stop) {
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *const last = reinterpret_cast<const unsigned char *>(end);
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    const unsigned char *const digits = p;
    std::uint64_t magnitude = 0;  // wraps harmlessly past 19 digits: refused below
    p = accumulate_digits<kInlineDigits>(p, last, magnitude);
    if (p == digits || p - digits > 18) return false;
    const auto parsed =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (parsed < integer_min(S) || parsed > integer_max(S)) return false;
    *value = parsed;
    *stop = reinterpret_cast<const char *>(p);
    return true;
}

// The usual token, parsed where it lies in the block: a number followed by a blank. Sets
// `stop` just past it and returns true; false sends the token to the general path (a token
// that straddles blocks, a long or unusual one, or one that is no number of the type).
template <Scalar S>
inline bool parse_in_place(const char *p, const char *end, double *value, const char **stop) {
    if constexpr (S == Scalar::f32 || S == Scalar::f64) {
        using Float = std::conditional_t<S == Scalar::f32, float, double>;
        if (*p == '+' && ++p != end && (*p == '-' || *p == '+')) return false;
        // Coordinates, nearly always: the digits inline.
        if (parse_short_decimal<true>(p, end, S == Scalar::f32, value, stop)) return true;
        Float parsed;
        const auto [after, error] = std::from_chars(p, end, parsed, std::chars_format::general);
        if (error != std::errc{} || !std::isfinite(parsed)) return false;
        *value = parsed;
        *stop = after;
    } else {
        std::int64_t parsed;
        if (!parse_integer_in_place<S>(p, end, &parsed, stop)) return false;
        *value = static_cast<double>(parsed);
    }
    return true;
}

// Blanks, then a number that `parse` takes, followed by a blank within the block; `p` is moved
// past the number.
template <typename Value, typename Parse>
inline bool framed_in_place(const unsigned char *&p, const unsigned char *end, Value *value,
                            Parse parse) {
    const unsigned char *q = skip_blanks(p, end);
    if (q == end) return false;
    const char *stop = nullptr;
    if (!parse(reinterpret_cast<const char *>(q), reinterpret_cast<const char *>(end), value,
               &stop) ||
        stop == reinterpret_cast<const char *>(end) || !is_blank(static_cast<unsigned char>(*stop)))
        return false;
    p = reinterpret_cast<const unsigned char *>(stop);
    return true;
}

// The usual token where it lies, as a double.
template <Scalar S>
[[gnu::noinline]] bool ascii_in_place(const unsigned char *&p, const unsigned char *end,
                                      double *value) {
    return framed_in_place(p, end, value, parse_in_place<S>);
}

template <Scalar S>
DecodeStatus decode_ascii(ValueInput &input, double *value) {
    ByteSource &source = input.source;
    if (ascii_in_place<S>(source.cur, source.end, value)) return DecodeStatus::ok;
    source.cur = skip_blanks(source.cur, source.end);
    return decode_ascii_token<S>(input, value);
}

// Binary values are packed; `Swap` when the file's byte order is not the machine's.
template <Scalar S, bool Swap>
inline typename ValueOf<S>::type unpack_typed(const unsigned char *bytes) {
    using T = typename ValueOf<S>::type;
    using U = typename UnsignedOf<sizeof(T)>::type;
    U bits;
    std::memcpy(&bits, bytes, sizeof(U));
    if constexpr (Swap) bits = byte_swap(bits);
    T typed;
    std::memcpy(&typed, &bits, sizeof(T));
    return typed;
}

template <Scalar S, bool Swap>
inline double unpack(const unsigned char *bytes) {
    return static_cast<double>(unpack_typed<S, Swap>(bytes));
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

template <typename T>
inline void store(unsigned char *dst, T value) {
    std::memcpy(dst, &value, sizeof value);
}

template <Scalar S, bool Swap, ColumnType C>
void decode_strided(const unsigned char *src, std::size_t stride, std::size_t count,
                    unsigned char *dst, std::size_t dst_stride) {
    using Target = typename ColumnValueOf<C>::type;
    if constexpr (S == Scalar::f32 && C == ColumnType::float32) {
        // A finite float is its own nearest float: its bits go as they are. Infinities and NaNs
        // (whose bits the conversion makes canonical) take the conversion.
        for (std::size_t i = 0; i < count; ++i, src += stride, dst += dst_stride) {
            std::uint32_t bits;
            std::memcpy(&bits, src, sizeof bits);
            if constexpr (Swap) bits = byte_swap(bits);
            if ((bits & 0x7f800000u) != 0x7f800000u) {
                std::memcpy(dst, &bits, sizeof bits);
            } else {
                store(dst, column_value<Target>(unpack<S, Swap>(src)));
            }
        }
    } else if constexpr (is_integer(S) && (C == ColumnType::int32 || C == ColumnType::uint8)) {
        for (std::size_t i = 0; i < count; ++i, src += stride, dst += dst_stride)
            store(dst, integer_column_value<Target>(unpack_typed<S, Swap>(src)));
    } else {
        for (std::size_t i = 0; i < count; ++i, src += stride, dst += dst_stride)
            store(dst, column_value<Target>(unpack<S, Swap>(src)));
    }
}

// Integers as parse_in_place takes them, kept as integers.
template <Scalar S, bool kInlineDigits = false>
inline bool ascii_integer_in_place(const unsigned char *&p, const unsigned char *end,
                                   std::int64_t *value) {
    return framed_in_place(p, end, value, parse_integer_in_place<S, kInlineDigits>);
}

// A float that is only checked, not kept (a normal or a texture coordinate that no column
// asked for), in the usual plain decimal form ("-0.694867"), followed by a blank: the number of
// its digits is all that decides it, as no such text of up to 38 digits before the point is
// beyond a float's range, and one too small reads as 0. Anything else takes the full parse.
inline bool skip_plain_decimal(const unsigned char *&p, const unsigned char *end) {
    constexpr std::ptrdiff_t kMaxWholeDigits = 38;
    const unsigned char *q = skip_blanks(p, end);
    if (q == end) return false;
    // A sign, taken without a branch: half the values of a normal have one, at random.
    q += (static_cast<unsigned char>(*q - '+') & 0xfd) == 0;  // '+' or '-'
    const unsigned char *const whole = q;
    q = skip_digits(q, end);
    std::ptrdiff_t digits = q - whole;
    if (digits > kMaxWholeDigits) return false;
    if (q != end && *q == '.') {
        const unsigned char *const fraction = ++q;
        q = skip_digits(q, end);
        digits += q - fraction;
    }
    if (digits == 0 || q == end || !is_blank(*q)) return false;
    p = q;
    return true;
}

template <Scalar S, int C>
bool decode_in_place(const unsigned char *&p, const unsigned char *end, unsigned char *dst,
                     std::size_t count) {
    const unsigned char *q = p;
    for (std::size_t i = 0; i < count; ++i) {
        if constexpr (C == kColumnTypeCount) {
            if constexpr (S == Scalar::f32 || S == Scalar::f64) {
                if (skip_plain_decimal(q, end)) continue;
            }
            double value;
            if (!ascii_in_place<S>(q, end, &value)) return false;
        } else {
            constexpr auto kColumn = static_cast<ColumnType>(C);
            using Target = typename ColumnValueOf<kColumn>::type;
            if constexpr (is_integer(S) &&
                          (kColumn == ColumnType::int32 || kColumn == ColumnType::uint8)) {
                // Colour channels and vertex indices, nearly always: the digits inline.
                constexpr bool kUsual = kColumn == ColumnType::uint8
                                            ? S == Scalar::u8
                                            : S == Scalar::i32 || S == Scalar::u32;
                std::int64_t value;
                if (!ascii_integer_in_place<S, kUsual>(q, end, &value)) return false;
                store(dst, integer_column_value<Target>(value));
            } else {
                double value;
                if (!ascii_in_place<S>(q, end, &value)) return false;
                store(dst, column_value<Target>(value));
            }
            dst += sizeof(Target);
        }
    }
    p = q;
    return true;
}

// A kept row's places after its `length` entries.
inline void pad_row(std::int32_t *row, std::size_t length, std::size_t width, std::int32_t pad) {
    for (std::size_t j = length; j < width; ++j) row[j] = pad;
}

// The line that nearly every ASCII face is: a one-digit count, then that many numbers of at
// most eight digits, one blank before each and a blank after the last ("3 12 13 4012\n"). Each
// number is read from one 8-byte load. Returns false, with `p` unchanged, for any other line;
// the general way then reads it again from its start (and stores its entries again).
inline bool decode_plain_row(const unsigned char *&p, const unsigned char *end,
                             std::size_t min_length, std::size_t width, std::int32_t pad,
                             std::int32_t *row, bool *kept) {
    const unsigned char *q = skip_blanks(p, end);
    if (end - q < 2 || static_cast<unsigned char>(*q - '0') >= 10 || !is_blank(q[1])) return false;
    const auto length = static_cast<std::size_t>(*q - '0');
    ++q;  // on the blank before the first number
    const bool keep = length >= min_length && length <= width;
    for (std::size_t j = 0; j < length; ++j) {
        if (end - q < 10) return false;
        const DigitRun run = digit_run8(q + 1);
        if (run.count == 0 || !is_blank(q[1 + run.count])) return false;
        if (keep) row[j] = static_cast<std::int32_t>(run.value);
        q += 1 + run.count;
    }
    if (keep) pad_row(row, length, width, pad);
    *kept = keep;
    p = q;
    return true;
}

template <Scalar S>
bool decode_counted_row(const unsigned char *&p, const unsigned char *end, std::size_t min_length,
                        std::size_t width, std::int32_t pad, std::int32_t *row, bool *kept) {
    if (decode_plain_row(p, end, min_length, width, pad, row, kept)) return true;
    const unsigned char *q = p;
    std::int64_t count;
    if (!ascii_integer_in_place<Scalar::u8, true>(q, end, &count)) return false;
    const auto length = static_cast<std::size_t>(count);
    const bool keep = length >= min_length && length <= width;
    for (std::size_t j = 0; j < length; ++j) {
        std::int64_t value;
        if (!ascii_integer_in_place<S, true>(q, end, &value)) return false;
        if (keep) row[j] = integer_column_value<std::int32_t>(value);
    }
    if (keep) pad_row(row, length, width, pad);
    *kept = keep;
    p = q;
    return true;
}

template <bool Swap, ColumnType C>
struct StridedRow {
    template <Scalar S>
    struct Make {
        static constexpr StridedDecoder value = decode_strided<S, Swap, C>;
    };
};
template <int C>
struct InPlaceRow {
    template <Scalar S>
    struct Make {
        static constexpr InPlaceDecoder value = decode_in_place<S, C>;
    };
};

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
    StridedDecoder native_strided[kColumnTypeCount][kScalarCount] = {};
    StridedDecoder swapped_strided[kColumnTypeCount][kScalarCount] = {};
    // The last row only checks the value: a property that feeds no column.
    InPlaceDecoder in_place[kColumnTypeCount + 1][kScalarCount] = {};
    template <ColumnType C>
    constexpr void fill_strided() {
        fill_by_type<StridedRow<false, C>::template Make>(native_strided[static_cast<int>(C)]);
        fill_by_type<StridedRow<true, C>::template Make>(swapped_strided[static_cast<int>(C)]);
    }
    constexpr DecoderTable() {
        fill_strided<ColumnType::int32>();
        fill_strided<ColumnType::uint8>();
        fill_strided<ColumnType::float32>();
        fill_strided<ColumnType::float64>();
        fill_by_type<InPlaceRow<0>::Make>(in_place[0]);
        fill_by_type<InPlaceRow<1>::Make>(in_place[1]);
        fill_by_type<InPlaceRow<2>::Make>(in_place[2]);
        fill_by_type<InPlaceRow<3>::Make>(in_place[3]);
        fill_by_type<InPlaceRow<4>::Make>(in_place[4]);
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
        p = skip_blanks(p, end);
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

StridedDecoder strided_decoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column) {
    if (mode == PLY_ASCII) return nullptr;
    const int index = static_cast<int>(canonical(type));
    const int row = static_cast<int>(column);
    const bool file_little = mode == PLY_LITTLE_ENDIAN;
    const bool machine_little = std::endian::native == std::endian::little;
    return file_little == machine_little ? kDecoders.native_strided[row][index]
                                         : kDecoders.swapped_strided[row][index];
}

InPlaceDecoder in_place_decoder_for(e_ply_type type, ColumnType column) {
    return kDecoders.in_place[static_cast<int>(column)][static_cast<int>(canonical(type))];
}

InPlaceDecoder in_place_checker_for(e_ply_type type) {
    return kDecoders.in_place[kColumnTypeCount][static_cast<int>(canonical(type))];
}

CountedRowDecoder counted_row_decoder_for(e_ply_type value_type) {
    switch (canonical(value_type)) {
        case Scalar::i32:
            return decode_counted_row<Scalar::i32>;
        case Scalar::u32:
            return decode_counted_row<Scalar::u32>;
        default:
            return nullptr;
    }
}

}  // namespace plylib
