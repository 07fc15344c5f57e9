// The text of numbers: an integer's digits, and the shortest decimal text that reads back to a
// float or a double, the text std::to_chars gives with no format, in two ways, both exact:
// - floats: one 64-bit power of ten scales the float's rounding interval to about one unit, and
//   whole numbers in it, or whole tens, are the candidates;
// - doubles: the classic free-format digit generation over big integers (the value, its
//   interval and the scale as exact ratios), slower, but doubles are seldom written.
// The digits are the fewest that read back to the value and, among those, the nearest to it
// (ties to an even digit); the layout is fixed notation unless scientific is shorter.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "plylib/ascii_numbers.h"

namespace plylib {

char *write_long_digits(char *out, std::uint64_t value) {
    out = write_digits(out, value / 100000000);
    store_text(out, eight_digit_text(static_cast<std::uint32_t>(value % 100000000)));
    return out + 8;
}

namespace {

// A decimal: digits (no trailing zeros) x 10^exponent.
struct Decimal {
    std::uint64_t digits = 0;
    int exponent = 0;
};

// 10^k for k from -31 to 45 (every power a float's digits need), each as its leading 64 bits,
// rounded up: 10^k = g x 2^(floor(log2 10^k) - 63), g just above.
constexpr std::uint64_t kFloatPowersOfTen[] = {
    0x81ceb32c4b43fcf5, 0xa2425ff75e14fc32, 0xcad2f7f5359a3b3f, 0xfd87b5f28300ca0e,
    0x9e74d1b791e07e49, 0xc612062576589ddb, 0xf79687aed3eec552, 0x9abe14cd44753b53,
    0xc16d9a0095928a28, 0xf1c90080baf72cb2, 0x971da05074da7bef, 0xbce5086492111aeb,
    0xec1e4a7db69561a6, 0x9392ee8e921d5d08, 0xb877aa3236a4b44a, 0xe69594bec44de15c,
    0x901d7cf73ab0acda, 0xb424dc35095cd810, 0xe12e13424bb40e14, 0x8cbccc096f5088cc,
    0xafebff0bcb24aaff, 0xdbe6fecebdedd5bf, 0x89705f4136b4a598, 0xabcc77118461cefd,
    0xd6bf94d5e57a42bd, 0x8637bd05af6c69b6, 0xa7c5ac471b478424, 0xd1b71758e219652c,
    0x83126e978d4fdf3c, 0xa3d70a3d70a3d70b, 0xcccccccccccccccd, 0x8000000000000001,
    0xa000000000000001, 0xc800000000000001, 0xfa00000000000001, 0x9c40000000000001,
    0xc350000000000001, 0xf424000000000001, 0x9896800000000001, 0xbebc200000000001,
    0xee6b280000000001, 0x9502f90000000001, 0xba43b74000000001, 0xe8d4a51000000001,
    0x9184e72a00000001, 0xb5e620f480000001, 0xe35fa931a0000001, 0x8e1bc9bf04000001,
    0xb1a2bc2ec5000001, 0xde0b6b3a76400001, 0x8ac7230489e80001, 0xad78ebc5ac620001,
    0xd8d726b7177a8001, 0x878678326eac9001, 0xa968163f0a57b401, 0xd3c21bcecceda101,
    0x84595161401484a1, 0xa56fa5b99019a5c9, 0xcecb8f27f4200f3b, 0x813f3978f8940985,
    0xa18f07d736b90be6, 0xc9f2c9cd04674edf, 0xfc6f7c4045812297, 0x9dc5ada82b70b59e,
    0xc5371912364ce306, 0xf684df56c3e01bc7, 0x9a130b963a6c115d, 0xc097ce7bc90715b4,
    0xf0bdc21abb48db21, 0x96769950b50d88f5, 0xbc143fa4e250eb32, 0xeb194f8e1ae525fe,
    0x92efd1b8d0cf37bf, 0xb7abc627050305ae, 0xe596b7b0c643c71a, 0x8f7e32ce7bea5c70,
    0xb35dbf821ae4f38c,
};

// The top 32 bits of g x scaled / 2^64, with the bits below folded into the lowest bit ("round
// to odd"): exact enough that the comparisons below come out as they would on the exact value.
// In 32-bit pieces, as 32-bit builds have no 128-bit product.
std::uint32_t scaled_to_odd(std::uint64_t g, std::uint32_t scaled) {
    const std::uint64_t low = (g & 0xffffffff) * scaled;
    const std::uint64_t middle = (g >> 32) * scaled + (low >> 32);
    const auto top = static_cast<std::uint32_t>(middle >> 32);
    const auto below = static_cast<std::uint32_t>(middle);
    return top | (below > 1 ? 1 : 0);
}

// Trailing zeros taken off a float's digits in three fixed steps of 4, 2 and 1 zeros rather than
// one at a time: such digits (below 2^32) never end in more than seven zeros, as the test of
// every count of zeros holds. n is a multiple of 10^k = 2^k x 5^k exactly when n times the inverse
// of 5^k (modulo 2^32), rotated right by k bits, is at most (2^32 - 1) / 10^k, and that is then n /
// 10^k.
void drop_trailing_zeros(std::uint32_t &n, int &exponent) {
    const auto step = [&n, &exponent](std::uint32_t inverse, int k, std::uint32_t most) {
        const std::uint32_t quotient = std::rotr(n * inverse, k);
        const bool multiple = quotient <= most;
        n = multiple ? quotient : n;
        exponent += multiple ? k : 0;
    };
    step(0x3afb7e91, 4, 429496);
    step(0xc28f5c29, 2, 42949672);
    step(0xcccccccd, 1, 429496729);
}
// The inverses, and the bounds as (2^32 - 1) / 10^k.
static_assert(std::uint32_t{625u * 0x3afb7e91u} == 1 && std::uint32_t{25u * 0xc28f5c29u} == 1 &&
              std::uint32_t{5u * 0xcccccccdu} == 1);
static_assert(0xffffffffu / 10000u == 429496 && 0xffffffffu / 100u == 42949672 &&
              0xffffffffu / 10u == 429496729);

// Every finite float above 0, f x 2^e. The rounding interval of the value (half a spacing of
// floats either way, a quarter below a power of two; its ends belong to it for an even f) is
// scaled by 10^-k, k chosen so that the interval spans about one unit: then a whole number of
// tens inside it gives one digit fewer, else the nearest whole number inside it is the answer.
// All in quarter units, from one product with a power of ten per end.
Decimal shortest_float(std::uint32_t f, int e, bool narrower_below) {
    const bool inclusive = f % 2 == 0;
    const std::uint32_t centre = 4 * f, low_end = centre - (narrower_below ? 1 : 2),
                        high_end = centre + 2;
    // floor(log10 2^e), or floor(log10 (3/4 x 2^e)) when the interval is narrower below.
    const int k = (e * 1262611 - (narrower_below ? 524031 : 0)) >> 22;
    const int h = e + ((-k * 1741647) >> 19) + 1;  // floor(log2 10^-k) added: 1 to 4
    const std::uint64_t g = kFloatPowersOfTen[-k + 31];
    const std::uint32_t scaled_low = scaled_to_odd(g, low_end << h);
    const std::uint32_t scaled = scaled_to_odd(g, centre << h);
    const std::uint32_t scaled_high = scaled_to_odd(g, high_end << h);
    const std::uint32_t lowest = scaled_low + (inclusive ? 0 : 1);
    const std::uint32_t highest = scaled_high - (inclusive ? 0 : 1);

    Decimal decimal;
    const std::uint32_t units = scaled / 4;
    const bool below_in = lowest <= 4 * units, above_in = 4 * units + 4 <= highest;
    if (units >= 10) {
        const std::uint32_t tens = units / 10;
        const bool tens_below_in = lowest <= 40 * tens, tens_above_in = 40 * tens + 40 <= highest;
        if (tens_below_in != tens_above_in) decimal = {tens + (tens_above_in ? 1 : 0), k + 1};
    }
    if (decimal.digits == 0) {
        if (below_in != above_in) {
            decimal = {units + (above_in ? 1 : 0), k};
        } else {  // both ends fit: the nearer, ties to an even digit
            const std::uint32_t middle = 4 * units + 2;
            const bool up = scaled > middle || (scaled == middle && units % 2 == 1);
            decimal = {units + (up ? 1 : 0), k};
        }
    }
    // The count of trailing zeros varies from value to value: a loop over them, one division a
    // turn, mispredicts its end and waits on each division.
    auto digits = static_cast<std::uint32_t>(decimal.digits);
    drop_trailing_zeros(digits, decimal.exponent);
    decimal.digits = digits;
    return decimal;
}

// Unsigned integers of up to 1,536 bits, enough for any double's ratios scaled by 10^k.
struct Big {
    static constexpr int kWords = 48;
    std::uint32_t word[kWords] = {};
    int size = 0;  // words in use; the rest are 0

    explicit Big(std::uint64_t value = 0) {
        word[0] = static_cast<std::uint32_t>(value);
        word[1] = static_cast<std::uint32_t>(value >> 32);
        size = word[1] ? 2 : word[0] ? 1 : 0;
    }
    void multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (int i = 0; i < size; ++i) {
            const std::uint64_t product = std::uint64_t{word[i]} * factor + carry;
            word[i] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry) word[size++] = static_cast<std::uint32_t>(carry);
    }
    void multiply_by_power_of_ten(int power) {
        for (; power >= 9; power -= 9) multiply(1000000000);
        if (power > 0)
            multiply(static_cast<std::uint32_t>(kPowersOfTen[static_cast<std::size_t>(power)]));
    }
    void shift_left(int bits) {
        for (; bits >= 31; bits -= 31) multiply(std::uint32_t{1} << 31);
        multiply(std::uint32_t{1} << bits);
    }
    void add(const Big &other) {
        std::uint64_t carry = 0;
        const int n = std::max(size, other.size);
        for (int i = 0; i < n; ++i) {
            const std::uint64_t sum = std::uint64_t{word[i]} + other.word[i] + carry;
            word[i] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        size = n;
        if (carry) word[size++] = static_cast<std::uint32_t>(carry);
    }
    void subtract(const Big &other) {  // other <= this
        std::int64_t borrow = 0;
        for (int i = 0; i < size; ++i) {
            const std::int64_t difference = std::int64_t{word[i]} - other.word[i] - borrow;
            word[i] = static_cast<std::uint32_t>(difference);
            borrow = difference < 0 ? 1 : 0;
        }
        while (size > 0 && word[size - 1] == 0) --size;
    }
    std::uint32_t divide(std::uint32_t divisor) {  // returns the remainder
        std::uint64_t remainder = 0;
        for (int i = size - 1; i >= 0; --i) {
            const std::uint64_t current = remainder << 32 | word[i];
            word[i] = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        while (size > 0 && word[size - 1] == 0) --size;
        return static_cast<std::uint32_t>(remainder);
    }
    std::uint64_t low64() const { return std::uint64_t{word[1]} << 32 | word[0]; }
    friend int compare(const Big &a, const Big &b) {
        if (a.size != b.size) return a.size < b.size ? -1 : 1;
        for (int i = a.size - 1; i >= 0; --i) {
            if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
        }
        return 0;
    }
};

Big sum(const Big &a, const Big &b) {
    Big total = a;
    total.add(b);
    return total;
}

// The free-format generation: the value is r / s, its rounding interval reaches m_minus / s
// below and m_plus / s above (ends included for an even significand). Slower than the floats'
// way, but small: only doubles come here, and the export writes none.
[[gnu::cold]] Decimal shortest_double(std::uint64_t f, int e) {
    const bool inclusive = f % 2 == 0;
    const bool narrower_below = f == std::uint64_t{1} << 52 && e > -1074;
    Big r(f), s(1), m_plus(1), m_minus(1);
    if (e >= 0) {
        r.shift_left(e + (narrower_below ? 2 : 1));
        s = Big(narrower_below ? 4 : 2);
        m_plus.shift_left(e + (narrower_below ? 1 : 0));
        m_minus.shift_left(e);
    } else {
        r.shift_left(narrower_below ? 2 : 1);
        s.shift_left(-e + (narrower_below ? 2 : 1));
        if (narrower_below) m_plus = Big(2);
    }
    // k: the decimal exponent just above the interval's top; the estimate may be one short.
    const double value = std::ldexp(static_cast<double>(f), e);
    int k = static_cast<int>(std::ceil(std::log10(value) - 1e-10));
    if (k >= 0) {
        s.multiply_by_power_of_ten(k);
    } else {
        r.multiply_by_power_of_ten(-k);
        m_plus.multiply_by_power_of_ten(-k);
        m_minus.multiply_by_power_of_ten(-k);
    }
    const auto reaches = [inclusive](const Big &high, const Big &limit) {
        const int c = compare(high, limit);
        return inclusive ? c >= 0 : c > 0;
    };
    if (reaches(sum(r, m_plus), s)) {
        s.multiply(10);
        ++k;
    }
    std::uint64_t digits = 0;
    int count = 0;
    for (;;) {
        r.multiply(10);
        m_plus.multiply(10);
        m_minus.multiply(10);
        unsigned digit = 0;
        while (compare(r, s) >= 0) {
            r.subtract(s);
            ++digit;
        }
        const int low_compare = compare(r, m_minus);
        const bool low = inclusive ? low_compare <= 0 : low_compare < 0;
        const bool high = reaches(sum(r, m_plus), s);
        ++count;
        if (!low && !high) {
            digits = digits * 10 + digit;
            continue;
        }
        if (low && high) {
            Big twice = r;
            twice.multiply(2);
            const int c = compare(twice, s);
            if (c > 0 || (c == 0 && digit % 2 == 1)) ++digit;
        } else if (high) {
            ++digit;
        }
        digits = digits * 10 + digit;
        break;
    }
    int exponent = k - count;
    while (digits % 10 == 0) {
        digits /= 10;
        ++exponent;
    }
    return {digits, exponent};
}

// The whole number f x 2^e, which fixed notation shows in full, as printf does, for a value
// whose shortest digits end before its units (such a value is a whole number).
char *whole_number(char *out, std::uint64_t f, int e) {
    if (e <= 0) return write_digits(out, -e < 64 ? f >> -e : 0);
    if (std::bit_width(f) + e <= 64) return write_digits(out, f << e);
    // Doubles beyond 64 bits: the last digits eight at a time by long division.
    Big value(f);
    value.shift_left(e);
    std::uint32_t groups[4];
    int count = 0;
    while (value.size > 2) groups[count++] = value.divide(100000000);
    out = write_digits(out, value.low64());
    for (; count > 0; out += 8) store_text(out, eight_digit_text(groups[--count]));
    return out;
}

// The `count` digits of `digits` at `out`, with a point after the first `whole` of them when
// that is fewer than all; returns the end.
[[gnu::always_inline]] inline char *put_digits(char *out, std::uint64_t digits, int count,
                                               int whole) {
    if (count > 8) {
        if (whole >= count) return write_digits(out, digits);
        write_digits(out + 1, digits);
        for (int i = 0; i < whole; ++i) out[i] = out[i + 1];
        out[whole] = '.';
        return out + count + 1;
    }
    // Split in a register: the digits go out in stores and are never read back, which would
    // wait for the stores to complete.
    const std::uint64_t text =
        eight_digit_text(static_cast<std::uint32_t>(digits)) >> 8 * (8 - count);
    store_text(out, text);
    if (whole >= count) return out + count;
    out[whole] = '.';
    store_text(out + whole + 1, text >> 8 * whole);
    return out + count + 1;
}

// The text of `decimal` (of value f x 2^e) at `out`.
char *layout(char *out, Decimal decimal, std::uint64_t f, int e) {
    const int count = decimal_digit_count(decimal.digits);
    const int exponent = decimal.exponent;
    const int scientific_exponent = exponent + count - 1;
    const int magnitude = std::abs(scientific_exponent);
    const int scientific_length = count + (count > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
    const int whole = count + exponent;  // digits before the point
    const int fixed_length = exponent >= 0 ? whole : whole > 0 ? count + 1 : 2 - exponent;
    if (fixed_length <= scientific_length) {
        if (exponent > 0) return whole_number(out, f, e);
        if (whole > 0) return put_digits(out, decimal.digits, count, whole);
        // Fixed is the shorter only up to three zeros after the point.
        std::memcpy(out, "0.000000", 8);
        return put_digits(out + 2 - whole, decimal.digits, count, count);
    }
    out = put_digits(out, decimal.digits, count, 1);
    *out++ = 'e';
    *out++ = scientific_exponent < 0 ? '-' : '+';
    if (magnitude < 10) *out++ = '0';
    return write_digits(out, static_cast<std::uint64_t>(magnitude));
}

template <typename Float>
char *special(char *out, Float value) {
    if (std::signbit(value)) *out++ = '-';
    const char *text = std::isnan(value) ? "nan" : std::isinf(value) ? "inf" : "0";
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// Every value: its sign, then the digits of its magnitude f x 2^e.
template <typename Float>
char *format_shortest(char *out, Float value) {
    using Bits = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;
    constexpr int kFractionBits = std::numeric_limits<Float>::digits - 1;
    constexpr int kBias = std::numeric_limits<Float>::max_exponent - 1 + kFractionBits;
    if (!std::isfinite(value) || value == 0) return special(out, value);
    if (std::signbit(value)) *out++ = '-';
    const auto bits = std::bit_cast<Bits>(std::fabs(value));
    const int biased = static_cast<int>(bits >> kFractionBits);
    const Bits fraction = bits & ((Bits{1} << kFractionBits) - 1);
    const std::uint64_t f = biased == 0 ? fraction : fraction | Bits{1} << kFractionBits;
    const int e = (biased == 0 ? 1 : biased) - kBias;
    if constexpr (sizeof(Float) == 4) {
        const bool narrower_below = fraction == 0 && biased > 1;
        return layout(out, shortest_float(static_cast<std::uint32_t>(f), e, narrower_below), f, e);
    } else {
        return layout(out, shortest_double(f, e), f, e);
    }
}

}  // namespace

char *format_float32(char *out, float value) {
    return format_shortest(out, value);
}

char *format_float64(char *out, double value) {
    return format_shortest(out, value);
}

std::string number_text(double value) {
    char text[kMaxNumberChars];
    return std::string(text, format_float64(text, value));
}

}  // namespace plylib
