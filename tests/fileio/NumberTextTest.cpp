// The fast number formatting and scanning against the standard library they stand in for.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "fileio/NumberFormat.h"
#include "fileio/NumberScan.h"

namespace {

double FromBits(std::uint64_t bits) {
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Counts the values whose fast text differs from "%f"; prints the first few.
int FixedMismatch(double value) {
    char fast[numberTextSize];
    char standard[numberTextSize];
    const int length = FormatFixed(value, fast);
    std::snprintf(standard, sizeof standard, "%f", value);
    if (std::strcmp(fast, standard) == 0 && length == static_cast<int>(std::strlen(standard))) {
        return 0;
    }
    ADD_FAILURE() << "%.17g: fast " << fast << " standard " << standard;
    return 1;
}

TEST(NumberText, FixedMatchesStandardOutputOnTiesAndBorders) {
    const double picks[] = {0.0,
                            -0.0,
                            0.0000005,
                            -0.0000005,
                            2.5e-7,
                            4.9999999999999998e-7,
                            5.0000000000000004e-7,
                            0.1234565,
                            0.0000015,
                            1.0000005,
                            2.0000005,
                            1e-7,
                            -1e-7,
                            0.9999995,
                            9.9999995,
                            999999.9999995,
                            0.5,
                            -0.25,
                            12.5,
                            1.0 / 128,
                            3.0 / 128,
                            5.0 / 128,
                            1001.0 / 128,
                            -7.0 / 128,
                            1e15 + 0.5,
                            4503599627370495.5,
                            9007199254740993.0,
                            9.2233720368547748e18,
                            9.2233720368547758e18,
                            1.8446744073709552e19,
                            1e300,
                            DBL_MAX,
                            DBL_MIN,
                            -DBL_MIN,
                            DBL_TRUE_MIN,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(),
                            -std::numeric_limits<double>::quiet_NaN()};
    int mismatches = 0;
    for (double value : picks) mismatches += FixedMismatch(value);
    // Values of exactly k + j/128 for odd j are ties at the sixth decimal.
    for (int k = 0; k < 2000; ++k) {
        for (int j = 1; j < 128; j += 2) mismatches += FixedMismatch(k + j / 128.0);
    }
    // Every neighbour of a decimal k / 2 * 10^-6.
    for (int k = 0; k < 20000; ++k) {
        const double centre = k * 0.5e-6;
        mismatches += FixedMismatch(std::nextafter(centre, 0.0));
        mismatches += FixedMismatch(centre);
        mismatches += FixedMismatch(std::nextafter(centre, 1.0));
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(NumberText, FixedMatchesStandardOutputOnRandomDoubles) {
    std::mt19937_64 random(20261208);
    int mismatches = 0;
    for (int i = 0; i < 300000 && mismatches < 10; ++i) {
        // Any bit pattern at all, and bit patterns of the magnitudes the fast path computes.
        const std::uint64_t bits = random();
        mismatches += FixedMismatch(FromBits(bits));
        const std::uint64_t exponent = 1023 - 80 + random() % 150;
        mismatches += FixedMismatch(FromBits((bits & 0x800fffffffffffffull) | (exponent << 52)));
        mismatches += FixedMismatch(static_cast<double>(static_cast<std::int64_t>(random() >> 20)) *
                                    1e-6 * ((i & 1) != 0 ? 1 : -1));
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(NumberText, IntegerMatchesStandardOutput) {
    for (int value : {0, 7, -7, 10, 2147483647, INT_MIN, 123456789}) {
        char fast[numberTextSize];
        char standard[numberTextSize];
        FormatInteger(value, fast);
        std::snprintf(standard, sizeof standard, "%d", value);
        EXPECT_STREQ(fast, standard);
    }
}

// The standard scan of one double from the text, for comparison.
const char* StandardDouble(const char* text, double& value) {
    char* stop = nullptr;
    value = std::strtod(text, &stop);
    return stop == text ? nullptr : stop;
}

TEST(NumberText, ScannedDoublesMatchTheStandardConversion) {
    const char* const texts[] = {"0.000000",
                                 "-0.000000",
                                 "  1.5 rest",
                                 "\t-0.250000",
                                 "123456789.012345",
                                 "1234567890.123456",
                                 "0.1234567890123456789",
                                 "1e-7",
                                 "1E+300",
                                 "1e",
                                 "1.5e+",
                                 "0x1p3",
                                 "0X10",
                                 "inf",
                                 "-Infinity",
                                 "nan",
                                 ".5",
                                 "5.",
                                 "+3",
                                 "-.5e1",
                                 "00000000000000000001.5",
                                 "999999999999999",
                                 "9999999999999999",
                                 "4.35",
                                 "0.1",
                                 "2.2250738585072014e-308",
                                 "1e400",
                                 "-",
                                 ".",
                                 "e5",
                                 "",
                                 "   ",
                                 "x",
                                 "-+1",
                                 "1-2"};
    for (const char* text : texts) {
        double fast = -1.0;
        double standard = -1.0;
        const char* fastEnd = ScanDouble(text, fast);
        const char* standardEnd = StandardDouble(text, standard);
        EXPECT_EQ(fastEnd, standardEnd) << text;
        if (fastEnd != nullptr && !std::isnan(standard)) {
            EXPECT_EQ(std::memcmp(&fast, &standard, sizeof fast), 0) << text;
        }
    }
    // Random plain decimals of up to 15 digits and of more.
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        char text[64];
        const int decimals = static_cast<int>(random() % 20);
        std::snprintf(text, sizeof text, "%.*f", decimals,
                      static_cast<double>(static_cast<std::int64_t>(random())) /
                          std::pow(10.0, static_cast<double>(random() % 25)));
        double fast = 0.0;
        double standard = 0.0;
        ASSERT_EQ(ScanDouble(text, fast), StandardDouble(text, standard)) << text;
        ASSERT_EQ(std::memcmp(&fast, &standard, sizeof fast), 0) << text;
    }
}

TEST(NumberText, ScannedIntegersRejectOverflowAndNonNumbers) {
    int value = 5;
    EXPECT_STREQ(ScanInt(" \t-12x", value), "x");
    EXPECT_EQ(value, -12);
    EXPECT_NE(ScanInt("2147483647", value), nullptr);
    EXPECT_EQ(value, INT_MAX);
    EXPECT_NE(ScanInt("-2147483648", value), nullptr);
    EXPECT_EQ(value, INT_MIN);
    value = 5;
    for (const char* bad :
         {"2147483648", "-2147483649", "", "- 1", "x1", "+", "99999999999999999999"}) {
        EXPECT_EQ(ScanInt(bad, value), nullptr) << bad;
    }
    EXPECT_EQ(value, 5);
}

TEST(NumberText, DecimalTextMustBeOneFiniteDecimalNumber) {
    const struct {
        const char* text;
        double value;
    } good[] = {
        {"1", 1.0}, {" \t250.5 \n", 250.5}, {"-3", -3.0},      {"+.25", 0.25}, {"3.", 3.0},
        {"0", 0.0}, {"-0", -0.0},           {"1.5e3", 1500.0}, {"2E-2", 0.02}, {"1e-400", 0.0}};
    for (const auto& g : good) {
        double value = 7.0;
        EXPECT_TRUE(ParseDecimalText(g.text, value)) << g.text;
        EXPECT_EQ(value, g.value) << g.text;
    }
    // A number followed by anything, no number at all, or one that is not a finite decimal.
    for (const char* bad : {"", "  ", "abc", "1k", "1 2", "1e", "1e+", ".", "-", "+-1", "0x10",
                            "inf", "-infinity", "nan", "1e400", "1,5", "1.5.2"}) {
        double value = 7.0;
        EXPECT_FALSE(ParseDecimalText(bad, value)) << bad;
        EXPECT_EQ(value, 7.0) << bad;
    }
    double value = 7.0;
    EXPECT_FALSE(ParseDecimalText(nullptr, value));
}

}  // namespace
