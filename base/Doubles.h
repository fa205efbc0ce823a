// A vector of doubles as wide as the instruction set the program is built for (8 with AVX-512,
// 4 with AVX, 2 otherwise), with element-wise IEEE arithmetic: +, -, * and / act lane by lane
// exactly as on single doubles, and the build never contracts them into fused multiply-adds.
#pragma once

#include <cstring>
#include <utility>

#include "base/Complex.h"

#if defined(__AVX512F__)
constexpr int doublesBytes = 64;
constexpr const char* doublesInstructionSet = "AVX-512";
#elif defined(__AVX2__)
constexpr int doublesBytes = 32;
constexpr const char* doublesInstructionSet = "AVX2";
#elif defined(__AVX__)
constexpr int doublesBytes = 32;
constexpr const char* doublesInstructionSet = "AVX";
#else
constexpr int doublesBytes = 16;
constexpr const char* doublesInstructionSet = "SSE2";
#endif

typedef double Doubles __attribute__((vector_size(doublesBytes)));
typedef long long DoublesMask __attribute__((vector_size(doublesBytes)));

constexpr int doublesLanes = doublesBytes / 8;
constexpr int complexLanes = doublesBytes / 16;  // complex values per vector, (re, im) pairs

inline Doubles LoadDoubles(const double* source) {
    Doubles v;
    std::memcpy(&v, source, sizeof v);
    return v;
}

inline Doubles LoadDoubles(const Complex* source) {
    Doubles v;
    std::memcpy(&v, source, sizeof v);
    return v;
}

inline void StoreDoubles(double* target, Doubles v) { std::memcpy(target, &v, sizeof v); }
inline void StoreDoubles(Complex* target, Doubles v) { std::memcpy(target, &v, sizeof v); }

template <std::size_t... lane>
inline Doubles BroadcastLanes(double x, std::index_sequence<lane...>) {
    return Doubles{((void)lane, x)...};
}

// Every lane x.
inline Doubles Broadcast(double x) {
    return BroadcastLanes(x, std::make_index_sequence<doublesLanes>());
}

// The lanes of every (re, im) pair exchanged: (im, re).
#if defined(__clang__)
template <std::size_t... lane>
inline Doubles SwapPairLanes(Doubles v, std::index_sequence<lane...>) {
    return __builtin_shufflevector(v, v, static_cast<int>(lane ^ 1)...);
}

inline Doubles SwapPairs(Doubles v) {
    return SwapPairLanes(v, std::make_index_sequence<doublesLanes>());
}
#else
inline Doubles SwapPairs(Doubles v) {
    DoublesMask swap;
    for (int i = 0; i < doublesLanes; ++i) swap[i] = i ^ 1;
    return __builtin_shuffle(v, swap);
}
#endif

// The even lanes (the real parts) negated, the odd ones unchanged: negation flips the sign bit
// only, exactly as unary minus does.
inline Doubles NegateEven(Doubles v) {
    DoublesMask sign;
    for (int i = 0; i < doublesLanes; ++i) sign[i] = i % 2 == 0 ? (1LL << 63) : 0;
    return reinterpret_cast<Doubles>(reinterpret_cast<DoublesMask>(v) ^ sign);
}
