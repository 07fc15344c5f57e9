// The library's own number text against the standard library's: the same characters for every
// value tried. Floats: powers of two and their neighbours, where the rounding interval is
// lopsided; subnormals; whole numbers that fixed notation shows exactly; random bit patterns.
// Integers: either side of every digit count and of the 32-bit fast path, and random ones.
// Reading: tokens beyond a type's range against those too small for it.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "plylib/ascii_numbers.h"

namespace {

std::string ours(float value) {
    char text[64];
    return std::string(text, plylib::format_float32(text, value));
}
std::string ours(double value) {
    char text[64];
    return std::string(text, plylib::format_float64(text, value));
}

template <typename Float>
std::string standard(Float value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

template <typename Float>
int disagreements(Float value) {
    const bool same = ours(value) == standard(value) && ours(-value) == standard(-value);
    EXPECT_TRUE(same) << standard(value) << " came out as " << ours(value);
    return same ? 0 : 1;
}

TEST(ShortestFloat, SameTextAsTheStandardLibrary) {
    int failures = 0;
    for (int e = -1080; e <= 1030 && failures < 10; ++e) {
        for (const double d : {std::ldexp(1.0, e), std::ldexp(0.75, e), std::ldexp(0.99999, e)}) {
            failures += disagreements(d) + disagreements(std::nextafter(d, 0.0));
            const auto f = static_cast<float>(d);
            if (std::isfinite(f))
                failures += disagreements(f) + disagreements(std::nextafter(f, 0.0f));
        }
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000 && failures < 10; ++i) {
        const std::uint64_t bits = random();
        float f;
        double d;
        const auto low = static_cast<std::uint32_t>(bits);
        std::memcpy(&f, &low, sizeof f);
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(f)) failures += disagreements(f);
        if (std::isfinite(d)) failures += disagreements(d);
        failures += disagreements(static_cast<float>(bits % 2000000) * 0.001f) +
                    disagreements(static_cast<double>(bits % 100000000) / 1000.0);
    }
    // Every exponent and both kinds of interval, a few thousand floats apart.
    for (std::uint32_t bits = 1; bits < 0x7f800000 && failures < 10; bits += 8191) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        failures += disagreements(f);
    }
    // A few digits with up to twelve zeros after them, or as many places after the point: each
    // count of trailing zeros is taken off by another mix of steps.
    for (const double digits : {1.0, 7.0, 12.0, 123.0, 4294.0}) {
        for (int zeros = 0; zeros <= 12; ++zeros)
            failures += disagreements(static_cast<float>(digits * std::pow(10.0, zeros))) +
                        disagreements(static_cast<float>(digits * std::pow(10.0, -zeros)));
    }
    for (const double special :
         {0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
          5e-324, 1e22, 1e23, 9007199254740993.0, 123456789012345678.0}) {
        failures += disagreements(special) + disagreements(static_cast<float>(special));
    }
    EXPECT_EQ(failures, 0);
}

TEST(IntegerText, SameTextAsTheStandardLibrary) {
    std::vector<std::int64_t> values = {std::numeric_limits<std::int64_t>::min(),
                                        std::numeric_limits<std::int64_t>::max()};
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t near : {power - 1, power, power + 1}) {
            values.push_back(near);
            values.push_back(-near);
        }
        if (power == 1000000000000000000) break;  // 10^19 is beyond 64 bits
    }
    for (const std::int64_t two32 : {std::int64_t{1} << 32, -(std::int64_t{1} << 32)})
        for (const std::int64_t step : {-1, 0, 1}) values.push_back(two32 + step);
    std::mt19937_64 random(11);
    for (int i = 0; i < 100000; ++i)
        values.push_back(static_cast<std::int64_t>(random()) >> (random() % 64));
    for (const std::int64_t value : values) {
        char ours[plylib::kMaxNumberChars];
        char standard[plylib::kMaxNumberChars];
        ASSERT_EQ(
            std::string(ours, plylib::format_integer(ours, value)),
            std::string(standard, std::to_chars(standard, standard + sizeof standard, value).ptr));
    }
}

// A token beyond the type's range is refused; one too small for it reads as a zero of its sign,
// however many digits, zeros or exponent digits put it there.
TEST(NumberParsing, TooLargeAndTooSmallToldApart) {
    using plylib::NumberStatus;
    const struct {
        const char *text;
        bool float32;
        NumberStatus status;
        double value;
    } cases[] = {
        {"1e39", true, NumberStatus::out_of_range, 0},
        {"1000000000000000000000000000000000000000000e-3", true, NumberStatus::out_of_range, 0},
        {"-0.00001e-41", true, NumberStatus::ok, -0.0},
        {"0.000000000000000000000000000000000000000000000000001", true, NumberStatus::ok, 0},
        {"0x100p-160", true, NumberStatus::ok, 0},
        {"0x0.0001p150", true, NumberStatus::out_of_range, 0},
        {"0x0.0001p130", true, NumberStatus::ok, std::ldexp(1.0, 114)},
        {"-1e400", false, NumberStatus::out_of_range, 0},
        {"1e-400", false, NumberStatus::ok, 0},
        {"-0x1p-1080", false, NumberStatus::ok, -0.0},
        {"0x1p1024", false, NumberStatus::out_of_range, 0},
    };
    for (const auto &c : cases) {
        const char *end = c.text + std::strlen(c.text);
        double value = 7;
        NumberStatus status;
        if (c.float32) {
            float parsed = 7;
            status = plylib::parse_float32(c.text, end, &parsed);
            value = parsed;
        } else {
            status = plylib::parse_float64(c.text, end, &value);
        }
        EXPECT_EQ(status, c.status) << c.text;
        if (status == NumberStatus::ok) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
        }
    }
}

}  // namespace
