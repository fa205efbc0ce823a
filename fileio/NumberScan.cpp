#include "fileio/NumberScan.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipSpace(const char* text) {
    while (IsSpace(*text)) ++text;
    return text;
}

// Powers of ten that are exact doubles.
constexpr double exactPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

const char* ScanInt(const char* text, int& value) {
    const char* p = SkipSpace(text);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return nullptr;
    // Magnitudes are collected up to one past the limit, so that overflow is seen at once.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    while (IsDigit(*p)) {
        magnitude = magnitude * 10 + (*p++ - '0');
        if (magnitude > limit) return nullptr;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return p;
}

const char* ScanDouble(const char* text, double& value) {
    const char* start = SkipSpace(text);
    // Fast path: [sign] digits [. digits] with at most 15 digits and nothing after it that would
    // continue the number. N / 10^d with both exact is the correctly rounded value, as the
    // standard conversion gives it.
    const char* p = start;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::uint64_t digitsValue = 0;
    int digits = 0;
    int fractionDigits = 0;
    while (IsDigit(*p) && digits <= 15) {
        digitsValue = digitsValue * 10 + static_cast<std::uint64_t>(*p++ - '0');
        ++digits;
    }
    if (*p == '.') {
        ++p;
        while (IsDigit(*p) && digits <= 15) {
            digitsValue = digitsValue * 10 + static_cast<std::uint64_t>(*p++ - '0');
            ++digits;
            ++fractionDigits;
        }
    }
    const char next = *p;
    if (digits > 0 && digits <= 15 && !IsDigit(next) && next != 'e' && next != 'E' && next != 'x' &&
        next != 'X') {
        const double magnitude = static_cast<double>(digitsValue) / exactPowers[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return p;
    }
    char* stop = nullptr;
    const double read = std::strtod(start, &stop);
    if (stop == start) return nullptr;
    value = read;
    return stop;
}

std::size_t DecimalLength(const char* text, std::size_t available) {
    const auto at = [&](std::size_t i) { return i < available ? text[i] : '\0'; };
    std::size_t i = 0;
    if (at(i) == '+' || at(i) == '-') ++i;
    std::size_t digits = 0;
    while (IsDigit(at(i))) ++i, ++digits;
    if (at(i) == '.') {
        ++i;
        while (IsDigit(at(i))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (at(i) == 'e' || at(i) == 'E') {
        std::size_t j = i + 1;
        if (at(j) == '+' || at(j) == '-') ++j;
        if (IsDigit(at(j))) {
            while (IsDigit(at(j))) ++j;
            i = j;
        }
    }
    return i;
}

bool ParseDecimalText(const char* text, double& value) {
    if (text == nullptr) return false;
    const char* start = SkipSpace(text);
    std::size_t length = 0;
    while (start[length] != '\0') ++length;
    const std::size_t number = DecimalLength(start, length);
    if (number == 0 || *SkipSpace(start + number) != '\0') return false;
    // The conversion sees the number alone, so that nothing after it can extend it.
    const std::string digits(start, number);
    const double read = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(read)) return false;
    value = read;
    return true;
}
