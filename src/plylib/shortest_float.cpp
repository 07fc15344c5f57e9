// Two ways to the digits, both exact:
// - floats of the usual magnitudes: 64-bit integer arithmetic, nearest multiple of 10^q against
//   the float's rounding interval, q from about six digits in;
// - everything else: the classic free-format digit generation over big integers (the value,
//   its interval and the scale as exact ratios), slower but for every float and double.
// The digits are the fewest that read back to the value and, among those, the nearest to it
// (ties to an even digit); the layout is fixed notation unless scientific is shorter.
#include "plylib/shortest_float.h"

#include "plylib/ascii_numbers.h"
#include "plylib/decimal_digits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace plylib {
namespace {

// A decimal: digits (no trailing zeros) x 10^exponent.
struct Decimal {
    std::uint64_t digits = 0;
    int exponent = 0;
};

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char *write_digits(char *out, std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + count;
}

// The digits of value, two at a time from the end backwards; the first digit's place.
char *digits_before(char *end, std::uint64_t value) {
    while (value >= 100) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * value, 2);
    } else {
        *--end = static_cast<char>('0' + value);
    }
    return end;
}

// The exact whole number f x 2^e, which fixed notation shows for a value whose shortest digits
// end before its units, as printf does (such a value is a whole number).
char *whole_number(char *out, std::uint64_t f, int e);

// The text of `decimal` (of value f x 2^e) at `out`, which has room for 31 characters.
//
// Digits that are at most nine (every float's, many doubles') move as fixed 16-byte blocks,
// and leading zeros as a fixed 8-byte one, which the compiler turns into a few moves where
// a copy of a varying length is a call: that took a third of the time of a float. The room
// allows it: such a text is at most 9 digits, a point and 4 leading zeros.
char *layout(char *out, Decimal decimal, std::uint64_t f, int e) {
    char text[32] = {};
    const bool short_digits = decimal.digits < 1000000000;
    int count;
    if (short_digits) {
        count = static_cast<int>(
            format_unsigned32(text, static_cast<std::uint32_t>(decimal.digits)) - text);
    } else {
        count = 10;
        while (count < 20 && decimal.digits >= kPowersOfTen[count]) ++count;
        digits_before(text + count, decimal.digits);
    }
    const auto copy = [short_digits](char *to, const char *from, int length) {
        if (short_digits) {
            std::memcpy(to, from, 16);
        } else {
            std::memcpy(to, from, static_cast<std::size_t>(length));
        }
    };
    const int exponent = decimal.exponent;
    const int scientific_exponent = exponent + count - 1;
    const int magnitude = std::abs(scientific_exponent);
    const int exponent_digits = magnitude >= 100 ? 3 : 2;
    const int scientific_length = count + (count > 1 ? 1 : 0) + 2 + exponent_digits;
    const int fixed_length = exponent >= 0          ? count + exponent
                             : count + exponent > 0 ? count + 1
                                                    : 2 - exponent;
    if (fixed_length <= scientific_length) {
        if (exponent > 0) return whole_number(out, f, e);
        if (exponent == 0) {
            copy(out, text, count);
            return out + count;
        }
        const int whole = count + exponent;
        if (whole > 0) {
            copy(out, text, whole);
            copy(out + whole + 1, text + whole, count - whole);
            out[whole] = '.';
            return out + count + 1;
        }
        *out++ = '0';
        *out++ = '.';
        if (short_digits) {
            std::memcpy(out, "00000000", 8);
        } else {
            std::memset(out, '0', static_cast<std::size_t>(-whole));
        }
        out += -whole;
        copy(out, text, count);
        return out + count;
    }
    *out++ = text[0];
    if (count > 1) {
        *out++ = '.';
        copy(out, text + 1, count - 1);
        out += count - 1;
    }
    *out++ = 'e';
    *out++ = scientific_exponent < 0 ? '-' : '+';
    return write_digits(out, static_cast<std::uint64_t>(magnitude), exponent_digits);
}

// Floats from 2^-38 to 2^63, by 64-bit integer arithmetic. The float v is m x 2^-shift. At a
// decimal exponent q the multiples of 10^q just below and just above v are checked against its
// rounding interval, which reaches half a spacing of floats either way (a quarter below a power
// of two), in integer units: v = value / step multiples, half a spacing = half / 2 of them.
// False leaves the float to the general way (other magnitudes, two candidates equally near).
bool usual_float(std::uint32_t bits, Decimal *decimal) {
    const int biased = static_cast<int>(bits >> 23);
    const std::uint64_t fraction = bits & 0x7fffff;
    if (biased <= 1) return false;
    const std::uint64_t m = fraction | 0x800000;
    const int shift = 150 - biased;
    if (shift < -39 || shift > 61) return false;
    const bool inclusive = m % 2 == 0;  // an even float takes the ties of its interval
    const bool narrower_below = fraction == 0;
    const int lowest_q = shift > 0 ? -12 : 0, highest_q = shift > 0 ? 0 : 12;
    // 1: a multiple of 10^q lies in the interval (the nearer, when both do); 0: none; -1: tie.
    const auto nearest = [=](int q, std::uint64_t *candidate) {
        std::uint64_t step, twice_half, below, remainder;
        if (shift > 0) {  // units of 10^q / 2^shift
            twice_half = kPowersOfTen[-q];
            const std::uint64_t value = m * twice_half;
            step = std::uint64_t{1} << shift;
            below = value >> shift;
            remainder = value & (step - 1);
        } else {  // units of 1
            const std::uint64_t value = m << -shift;
            step = kPowersOfTen[q];
            twice_half = std::uint64_t{1} << -shift;
            below = value / step;
            remainder = value % step;
        }
        const auto within = [&](std::uint64_t distance, unsigned times) {
            const std::uint64_t scaled = distance * times;
            return scaled < twice_half || (inclusive && scaled == twice_half);
        };
        const bool below_fits = below > 0 && within(remainder, narrower_below ? 4 : 2);
        const bool above_fits = within(step - remainder, 2);
        if (below_fits && above_fits) {
            if (remainder == step - remainder) return -1;
            *candidate = remainder < step - remainder ? below : below + 1;
        } else if (below_fits || above_fits) {
            *candidate = below_fits ? below : below + 1;
        } else {
            return 0;
        }
        return 1;
    };
    // Fitting only grows with q (a multiple of 10^(q+1) is one of 10^q): walk to the largest q
    // that fits. The interval is about as wide as the spacing of floats, 2^-shift units, so a
    // multiple of the largest 10^q below that nearly always lies in it, and one of ten times
    // that seldom: start there, floor(-shift x log10 2).
    const int estimate = (-shift * 78913) >> 18;
    int q = std::clamp(estimate, lowest_q, highest_q);
    std::uint64_t candidate = 0;
    int fits = nearest(q, &candidate);
    if (fits < 0) return false;
    if (fits == 1) {
        std::uint64_t wider = 0;
        for (;;) {
            if (q == highest_q) {
                if (shift <= 0) return false;  // more might fit than 64 bits can check
                break;
            }
            const int wider_fits = nearest(q + 1, &wider);
            if (wider_fits < 0) return false;
            if (wider_fits == 0) break;
            ++q;
            candidate = wider;
        }
    } else {
        do {
            if (--q < lowest_q) return false;
            fits = nearest(q, &candidate);
            if (fits < 0) return false;
        } while (fits == 0);
    }
    while (candidate % 10 == 0) {
        candidate /= 10;
        ++q;
    }
    *decimal = {candidate, q};
    return true;
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
        if (power > 0) multiply(static_cast<std::uint32_t>(kPowersOfTen[power]));
    }
    void shift_left(int bits) {
        const int words = bits / 32, rest = bits % 32;
        if (size == 0) return;
        for (int i = size - 1 + words + 1; i >= words; --i) {
            const int from = i - words;
            const std::uint64_t high = from < size ? word[from] : 0;
            const std::uint64_t low = from - 1 >= 0 && from - 1 < size ? word[from - 1] : 0;
            word[i] = static_cast<std::uint32_t>(((high << 32 | low) << rest) >> 32);
        }
        for (int i = 0; i < words; ++i) word[i] = 0;
        size += words + 1;
        while (size > 0 && word[size - 1] == 0) --size;
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
    friend int compare(const Big &a, const Big &b) {
        if (a.size != b.size) return a.size < b.size ? -1 : 1;
        for (int i = a.size - 1; i >= 0; --i) {
            if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
        }
        return 0;
    }
};

char *whole_number(char *out, std::uint64_t f, int e) {
    if (e <= 0 || static_cast<int>(std::bit_width(f)) + e <= 64) {
        const std::uint64_t whole = e >= 0 ? f << e : -e < 64 ? f >> -e : 0;
        char digits[20];
        const char *first = digits_before(digits + sizeof digits, whole);
        const auto count = static_cast<std::size_t>(digits + sizeof digits - first);
        std::memcpy(out, first, count);
        return out + count;
    }
    Big value(e >= 0 ? f : -e < 64 ? f >> -e : 0);
    if (e > 0) value.shift_left(e);
    char text[400];
    int count = 0;
    do {
        text[count++] = static_cast<char>('0' + value.divide(10));
    } while (value.size > 0);
    while (count > 0) *out++ = text[--count];
    return out;
}

Big sum(const Big &a, const Big &b) {
    Big total = a;
    total.add(b);
    return total;
}

// The free-format generation: the value is r / s, its rounding interval reaches m_minus / s
// below and m_plus / s above (ends included for an even significand).
Decimal general(std::uint64_t f, int e, int precision, int min_exponent) {
    const bool inclusive = f % 2 == 0;
    const bool narrower_below = f == std::uint64_t{1} << (precision - 1) && e > min_exponent;
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

template <typename Float>
char *special(char *out, Float value) {
    if (std::signbit(value)) *out++ = '-';
    const char *text = std::isnan(value) ? "nan" : std::isinf(value) ? "inf" : "0";
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char *format_shortest(char *out, float value) {
    if (!std::isfinite(value) || value == 0) return special(out, value);
    if (std::signbit(value)) *out++ = '-';
    std::uint32_t bits;
    const float magnitude = std::fabs(value);
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biased = static_cast<int>(bits >> 23);
    const std::uint64_t fraction = bits & 0x7fffff;
    const std::uint64_t f = biased == 0 ? fraction : fraction | 0x800000;
    const int e = (biased == 0 ? 1 : biased) - 150;
    Decimal decimal;
    if (!usual_float(bits, &decimal)) decimal = general(f, e, 24, -149);
    return layout(out, decimal, f, e);
}

char *format_shortest(char *out, double value) {
    if (!std::isfinite(value) || value == 0) return special(out, value);
    if (std::signbit(value)) *out++ = '-';
    std::uint64_t bits;
    const double magnitude = std::fabs(value);
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t f = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int e = (biased == 0 ? 1 : biased) - 1075;
    return layout(out, general(f, e, 53, -1074), f, e);
}

}  // namespace plylib
