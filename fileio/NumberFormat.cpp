#include "fileio/NumberFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Writes the decimal digits of a number; returns the number of characters.
int PutDigits(std::uint64_t number, char* text) {
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    for (int i = 0; i < count; ++i) text[i] = reversed[count - 1 - i];
    return count;
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;

// Six digits after the point, from the exact binary value: value = mantissa * 2^exponent.
// Returns false for magnitudes whose integer part does not fit 64 bits.
bool SplitFixed(std::uint64_t mantissa, int exponent, std::uint64_t& integerPart,
                std::uint32_t& millionths) {
    if (exponent >= 0) {
        if (exponent > 10) return false;  // the mantissa has 53 bits: at most 2^63
        integerPart = mantissa << exponent;
        millionths = 0;
        return true;
    }
    const int shift = -exponent;
    // Below 2^-73 * 2^53 * 10^6 < 0.5 millionths everything rounds to zero.
    if (shift >= 74) {
        integerPart = 0;
        millionths = 0;
        return true;
    }
    std::uint64_t fraction = mantissa;
    integerPart = 0;
    if (shift < 64) {
        integerPart = mantissa >> shift;
        fraction = mantissa & ((std::uint64_t{1} << shift) - 1);
    }
    // fraction * 10^6 / 2^shift, rounded to nearest with ties to even, exactly.
    const Wide scaled = static_cast<Wide>(fraction) * 1000000u;
    const Wide remainder = scaled & ((static_cast<Wide>(1) << shift) - 1);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    std::uint64_t digits = static_cast<std::uint64_t>(scaled >> shift);
    if (remainder > half || (remainder == half && (digits & 1) != 0)) ++digits;
    if (digits == 1000000) {
        digits = 0;
        ++integerPart;
    }
    millionths = static_cast<std::uint32_t>(digits);
    return true;
}
#else
bool SplitFixed(std::uint64_t, int, std::uint64_t&, std::uint32_t&) { return false; }
#endif

}  // namespace

int FormatInteger(int value, char* text) {
    int length = 0;
    const long long wide = value;
    if (wide < 0) text[length++] = '-';
    const std::uint64_t magnitude = static_cast<std::uint64_t>(wide < 0 ? -wide : wide);
    length += PutDigits(magnitude, text + length);
    text[length] = '\0';
    return length;
}

// Exact integer arithmetic on the binary value for every finite double below 2^63; the standard
// output for larger magnitudes, infinities and NaN.
int FormatFixed(double value, char* text) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int exponentField = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fractionBits = bits & ((std::uint64_t{1} << 52) - 1);
    std::uint64_t integerPart = 0;
    std::uint32_t millionths = 0;
    const bool split =
        exponentField != 0x7ff &&
        (exponentField == 0 ? SplitFixed(fractionBits, -1074, integerPart, millionths)
                            : SplitFixed(fractionBits | (std::uint64_t{1} << 52),
                                         exponentField - 1075, integerPart, millionths));
    if (!split) return std::snprintf(text, numberTextSize, "%f", value);

    int length = 0;
    if (negative) text[length++] = '-';
    length += PutDigits(integerPart, text + length);
    text[length++] = '.';
    for (int i = 5; i >= 0; --i) {
        text[length + i] = static_cast<char>('0' + millionths % 10);
        millionths /= 10;
    }
    length += 6;
    text[length] = '\0';
    return length;
}

int FormatGeneral(double value, char* text) {
    return std::snprintf(text, numberTextSize, "%g", value);
}

int FormatRoundTrip(double value, char* text) {
    return std::snprintf(text, numberTextSize, "%.17g", value);
}
