#include "plylib/value_decoders.h"

#include <algorithm>
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

// A decimal integer of the type where it lies, kept as an integer. At most 18 digits cannot
// overflow; longer numbers take the full parse.
template <Scalar S>
inline bool parse_integer_in_place(const char *text, const char *end, std::int64_t *value,
                                   const char **stop) {
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *const last = reinterpret_cast<const unsigned char *>(end);
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    const unsigned char *const digits = p;
    std::uint64_t magnitude = 0;  // wraps harmlessly past 19 digits: refused below
    p = accumulate_digits(p, last, magnitude);
    if (p == digits || p - digits > 18) return false;
    const auto parsed =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (parsed < integer_min(S) || parsed > integer_max(S)) return false;
    *value = parsed;
    *stop = reinterpret_cast<const char *>(p);
    return true;
}

// The usual token, parsed where it lies in the window: a number followed by a blank. Sets
// `stop` just past it and returns true; false leaves the token to the full parse (a token that
// reaches the window's end, a long or unusual one, or one that is no number of the type).
template <Scalar S>
inline bool parse_in_place(const char *p, const char *end, double *value, const char **stop) {
    if constexpr (S == Scalar::f32 || S == Scalar::f64) {
        using Float = std::conditional_t<S == Scalar::f32, float, double>;
        if (*p == '+' && ++p != end && (*p == '-' || *p == '+')) return false;
        // Coordinates, nearly always: the digits inline.
        if (parse_short_decimal(p, end, S == Scalar::f32, value, stop)) return true;
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

// Blanks, then a number that `parse` takes, followed by a blank within the window; `p` is moved
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

// The usual token where it lies in the window, stored as a value of column type C (C ==
// kColumnTypeCount: only checked); false, with `p` unchanged, leaves it to the full parse.
template <Scalar S, int C>
inline bool value_in_place(const unsigned char *&p, const unsigned char *end, unsigned char *dst) {
    if constexpr (C == kColumnTypeCount) {
        double value;
        return ascii_in_place<S>(p, end, &value);
    } else {
        constexpr auto kColumn = static_cast<ColumnType>(C);
        using Target = typename ColumnValueOf<kColumn>::type;
        if constexpr (is_integer(S) &&
                      (kColumn == ColumnType::int32 || kColumn == ColumnType::uint8)) {
            std::int64_t value;
            if (!framed_in_place(p, end, &value, parse_integer_in_place<S>)) return false;
            store(dst, integer_column_value<Target>(value));
        } else {
            double value;
            if (!ascii_in_place<S>(p, end, &value)) return false;
            store(dst, column_value<Target>(value));
        }
        return true;
    }
}

// The next whole token with the full rules: one at the window's end, at the end of the input,
// or of an unusual form.
template <Scalar S, int C>
[[gnu::cold, gnu::noinline]] bool value_from_token(ValueInput &input, unsigned char *dst) {
    if (!input.next_token()) {
        input.status = input.end_status();
        return false;
    }
    double value = 0;
    NumberStatus status;
    if constexpr (S == Scalar::f32) {
        float parsed = 0;
        status = parse_float32(input.token_begin, input.token_end, &parsed);
        value = parsed;
    } else if constexpr (S == Scalar::f64) {
        status = parse_float64(input.token_begin, input.token_end, &value);
    } else {
        std::int64_t parsed = 0;
        status = parse_integer(input.token_begin, input.token_end, integer_min(S), integer_max(S),
                               &parsed);
        value = static_cast<double>(parsed);
    }
    if (status != NumberStatus::ok) {
        input.status =
            status == NumberStatus::invalid ? DecodeStatus::invalid : DecodeStatus::out_of_range;
        return false;
    }
    if constexpr (C < kColumnTypeCount) {
        using Target = typename ColumnValueOf<static_cast<ColumnType>(C)>::type;
        store(dst, column_value<Target>(value));
    }
    return true;
}

template <int C>
constexpr std::size_t kStoredSize = C < kColumnTypeCount
                                        ? column_value_size(static_cast<ColumnType>(C))
                                        : 0;

template <Scalar S, int C>
std::uint64_t read_ascii(ValueInput &input, unsigned char *dst, std::uint64_t count) {
    ByteSource &source = input.source;
    const unsigned char *p = source.cur;
    const unsigned char *end = source.end;
    for (std::uint64_t i = 0; i < count; ++i, dst += kStoredSize<C>) {
        if (value_in_place<S, C>(p, end, dst)) continue;
        source.cur = p;
        if (!value_from_token<S, C>(input, dst)) return i;
        p = source.cur;
        end = source.end;
    }
    source.cur = p;
    return count;
}

template <Scalar S, bool Swap, int C>
std::uint64_t read_binary(ValueInput &input, unsigned char *dst, std::uint64_t count) {
    constexpr std::size_t kSize = sizeof(typename ValueOf<S>::type);
    ByteSource &source = input.source;
    std::uint64_t done = 0;
    while (done < count) {
        const auto whole = static_cast<std::size_t>(std::min<std::uint64_t>(
            count - done, static_cast<std::size_t>(source.end - source.cur) / kSize));
        if (whole == 0) {
            if (source.fill(kSize)) continue;
            input.status = input.end_status();
            return done;
        }
        if constexpr (C < kColumnTypeCount) {
            decode_strided<S, Swap, static_cast<ColumnType>(C)>(source.cur, kSize, whole, dst,
                                                                kStoredSize<C>);
            dst += whole * kStoredSize<C>;
        }
        source.cur += whole * kSize;
        done += whole;
    }
    return done;
}

// The line that nearly every ASCII face is: a one-digit count, then that many numbers of at
// most eight digits, one blank before each and a blank after the last ("3 12 13 4012\n"). Each
// number is read from one 8-byte load.
std::uint64_t ascii_face_rows(ByteSource &source, const RowShape &shape, std::int32_t *row,
                              std::uint64_t count, std::uint64_t *rows) {
    const unsigned char *const end = source.end;
    const unsigned char *p = source.cur;
    std::uint64_t done = 0;
    for (; done < count; ++done) {
        const unsigned char *q = skip_blanks(p, end);
        if (end - q < 2 || static_cast<unsigned char>(*q - '0') >= 10 || !is_blank(q[1])) break;
        const auto length = static_cast<std::size_t>(*q - '0');
        ++q;  // on the blank before the first number
        const bool keep = length >= shape.min_length && length <= shape.width;
        std::size_t j = 0;
        for (; j < length && end - q >= 10; ++j) {
            const DigitRun run = digit_run8(q + 1);
            if (run.count == 0 || !is_blank(q[1 + run.count])) break;
            if (keep) row[j] = static_cast<std::int32_t>(run.value);
            q += 1 + run.count;
        }
        if (j < length) break;
        if (keep) {
            std::fill(row + length, row + shape.width, shape.pad);
            row += shape.width;
            ++*rows;
        }
        p = q;
    }
    source.cur = p;
    return done;
}

template <bool Swap>
std::uint64_t binary_face_rows(ByteSource &source, const RowShape &shape, std::int32_t *row,
                               std::uint64_t count, std::uint64_t *rows) {
    const std::size_t most = 1 + 4 * std::min<std::size_t>(shape.width, UINT8_MAX);
    std::uint64_t done = 0;
    while (done < count && source.fill(most)) {
        const unsigned char *p = source.cur;
        const unsigned char *const end = source.end;
        for (; done < count && static_cast<std::size_t>(end - p) >= most; ++done) {
            const std::size_t length = *p;
            if (length < shape.min_length || length > shape.width) break;
            if (shape.width == 4) {
                // Triangles and quads: the row's four places filled whole, then padded.
                for (std::size_t j = 0; j < 4; ++j)
                    row[j] =
                        static_cast<std::int32_t>(unpack_typed<Scalar::u32, Swap>(p + 1 + 4 * j));
            } else {
                for (std::size_t j = 0; j < length; ++j)
                    row[j] =
                        static_cast<std::int32_t>(unpack_typed<Scalar::u32, Swap>(p + 1 + 4 * j));
            }
            std::fill(row + length, row + shape.width, shape.pad);
            row += shape.width;
            p += 1 + 4 * length;
        }
        source.cur = p;
        if (static_cast<std::size_t>(end - p) >= most) break;  // a length that makes no row
    }
    *rows += done;
    return done;
}

// By storage mode (ASCII, native, swapped), then column type (the last: only checked), then
// scalar type.
struct DecoderTable {
    ValueReader readers[3][kColumnTypeCount + 1][kScalarCount] = {};
    StridedDecoder strided[2][kColumnTypeCount][kScalarCount] = {};
    template <int C>
    constexpr void fill_column() {
        fill_by_type(readers[0][C], []<Scalar S>() { return read_ascii<S, C>; });
        fill_by_type(readers[1][C], []<Scalar S>() { return read_binary<S, false, C>; });
        fill_by_type(readers[2][C], []<Scalar S>() { return read_binary<S, true, C>; });
        if constexpr (C < kColumnTypeCount) {
            constexpr auto kColumn = static_cast<ColumnType>(C);
            fill_by_type(strided[0][C],
                         []<Scalar S>() { return decode_strided<S, false, kColumn>; });
            fill_by_type(strided[1][C],
                         []<Scalar S>() { return decode_strided<S, true, kColumn>; });
        }
    }
    constexpr DecoderTable() {
        fill_column<0>();
        fill_column<1>();
        fill_column<2>();
        fill_column<3>();
        fill_column<4>();
    }
};
constexpr DecoderTable kDecoders;

}  // namespace

bool ValueInput::next_token() {
    for (;;) {
        source.cur = skip_blanks(source.cur, source.end);
        if (source.cur != source.end) break;
        if (!source.refill()) return false;
    }
    const unsigned char *p = source.cur;
    for (;;) {
        while (p != source.end && !is_blank(*p)) ++p;
        if (p != source.end) break;
        const auto scanned = static_cast<std::size_t>(p - source.cur);
        const bool more = source.refill();
        p = source.cur + scanned;
        if (!more) {
            if (source.read_failed()) return false;
            break;
        }
    }
    token_begin = reinterpret_cast<const char *>(source.cur);
    token_end = reinterpret_cast<const char *>(p);
    source.cur = p;
    return true;
}

ValueReader value_reader_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column) {
    return kDecoders
        .readers[storage_layout(mode)][static_cast<int>(column)][static_cast<int>(canonical(type))];
}

ValueReader value_checker_for(e_ply_storage_mode mode, e_ply_type type) {
    return kDecoders
        .readers[storage_layout(mode)][kColumnTypeCount][static_cast<int>(canonical(type))];
}

FaceRowsReader face_rows_reader_for(e_ply_storage_mode mode, e_ply_type length_type,
                                    e_ply_type value_type, ColumnType column) {
    const Scalar entry = canonical(value_type);
    if (canonical(length_type) != Scalar::u8 || (entry != Scalar::i32 && entry != Scalar::u32) ||
        column != ColumnType::int32)
        return nullptr;
    constexpr FaceRowsReader kByMode[3] = {ascii_face_rows, binary_face_rows<false>,
                                           binary_face_rows<true>};
    return kByMode[storage_layout(mode)];
}

StridedDecoder strided_decoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column) {
    if (mode == PLY_ASCII) return nullptr;
    return kDecoders.strided[storage_layout(mode) - 1][static_cast<int>(column)]
                            [static_cast<int>(canonical(type))];
}

}  // namespace plylib
