// The byte order of the binary files: every integer and every double is stored little-endian,
// whatever the byte order of the machine.
#pragma once

#include <cstdint>
#include <cstring>

inline void PutInt32(std::int32_t value, unsigned char* bytes) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

inline std::int32_t GetInt32(const unsigned char* bytes) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

inline void PutDouble(double value, unsigned char* bytes) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

inline double GetDouble(const unsigned char* bytes) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
