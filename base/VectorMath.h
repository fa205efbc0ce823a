// Square root, sine and cosine, and the exponential, lane by lane on a vector of doubles, for the
// kernels that evaluate many integration points at once. The square root is the instruction's
// (correctly rounded, as std::sqrt). Sine, cosine and exponential are polynomial evaluations with
// an error below one unit in the last place; they may differ from the C library's in the last
// bit. Lanes whose argument lies outside the range the reduction is exact for (and non-finite
// lanes) are handed to the C library, so every argument gets a result of that accuracy.
#pragma once

#include <cmath>
#include <cstring>

#include "base/Doubles.h"

#if defined(__AVX512F__) || defined(__AVX__) || defined(__SSE2__)
#include <immintrin.h>
#endif

inline DoublesMask DoublesBits(Doubles v) {
    DoublesMask bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

inline Doubles BitsDoubles(DoublesMask bits) {
    Doubles v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline DoublesMask BroadcastBits(long long x) {
    DoublesMask m;
    for (int i = 0; i < doublesLanes; ++i) m[i] = x;
    return m;
}

// Lane by lane: a where the mask lane is all ones, b where it is zero.
inline Doubles Select(DoublesMask mask, Doubles a, Doubles b) {
    return BitsDoubles((mask & DoublesBits(a)) | (~mask & DoublesBits(b)));
}

inline Doubles AbsLanes(Doubles v) {
    return BitsDoubles(DoublesBits(v) & BroadcastBits(0x7fffffffffffffffLL));
}

inline bool AllLanes(DoublesMask mask) {
    for (int i = 0; i < doublesLanes; ++i) {
        if (mask[i] == 0) return false;
    }
    return true;
}

inline Doubles SqrtLanes(Doubles v) {
#if defined(__AVX512F__)
    __m512d x;
    std::memcpy(&x, &v, sizeof x);
    x = _mm512_maskz_sqrt_pd(0xff, x);  // the unmasked form trips -Wuninitialized in GCC 12
#elif defined(__AVX__)
    __m256d x;
    std::memcpy(&x, &v, sizeof x);
    x = _mm256_sqrt_pd(x);
#elif defined(__SSE2__)
    __m128d x;
    std::memcpy(&x, &v, sizeof x);
    x = _mm_sqrt_pd(x);
#else
    Doubles x = v;
    for (int i = 0; i < doublesLanes; ++i) x[i] = std::sqrt(v[i]);
#endif
    Doubles result;
    std::memcpy(&result, &x, sizeof result);
    return result;
}

namespace vectormath {

// Adding and subtracting 1.5 * 2^52 rounds a double below 2^51 in magnitude to the nearest
// integer; the integer is then also the low bits of the sum's representation.
constexpr double roundingShift = 6755399441055744.0;

// pi/2 in three parts of 33 bits and the rest: n * part is exact for |n| < 2^20.
constexpr double twoOverPi = 6.36619772367581382433e-01;
constexpr double halfPi1 = 1.57079632673412561417e+00;
constexpr double halfPi2 = 6.07710050630396597660e-11;
constexpr double halfPi2Tail = 2.02226624879595063154e-21;
// Arguments below this in magnitude are reduced exactly enough: 2^19 quarter turns.
constexpr double sinCosLimit = 823549.6632;

// Minimax polynomials of sine and cosine on [-pi/4, pi/4].
constexpr double s1 = -1.66666666666666324348e-01;
constexpr double s2 = 8.33333333332248946124e-03;
constexpr double s3 = -1.98412698298579493134e-04;
constexpr double s4 = 2.75573137070700676789e-06;
constexpr double s5 = -2.50507602534068634195e-08;
constexpr double s6 = 1.58969099521155010221e-10;
constexpr double c1 = 4.16666666666666019037e-02;
constexpr double c2 = -1.38888888888741095749e-03;
constexpr double c3 = 2.48015872894767294178e-05;
constexpr double c4 = -2.75573143513906633035e-07;
constexpr double c5 = 2.08757232129817482790e-09;
constexpr double c6 = -1.13596475577881948265e-11;

// ln 2 in a part whose multiples by the integers here are exact, and the rest.
constexpr double inverseLn2 = 1.44269504088896338700e+00;
constexpr double ln2High = 6.93147180369123816490e-01;
constexpr double ln2Low = 1.90821492927058770002e-10;
// Arguments below this in magnitude give normal results.
constexpr double expLimit = 708.0;
// The rational approximation of exp on [-ln2/2, ln2/2].
constexpr double p1 = 1.66666666666666019037e-01;
constexpr double p2 = -2.77777777770155933842e-03;
constexpr double p3 = 6.61375632143793436117e-05;
constexpr double p4 = -1.65339022054652515390e-06;
constexpr double p5 = 4.13813679705723846039e-08;

// sin(x + y) and cos(x + y) for |x| <= pi/4 and |y| much below the last place of x.
inline void SinCosKernel(Doubles x, Doubles y, Doubles& sine, Doubles& cosine) {
    const Doubles one = Broadcast(1.0);
    const Doubles half = Broadcast(0.5);
    const Doubles z = x * x;
    const Doubles v = z * x;
    const Doubles r =
        Broadcast(s2) +
        z * (Broadcast(s3) + z * (Broadcast(s4) + z * (Broadcast(s5) + z * Broadcast(s6))));
    sine = x - ((z * (half * y - v * r) - y) - v * Broadcast(s1));
    const Doubles w2 = z * z;
    const Doubles rc = z * (Broadcast(c1) + z * (Broadcast(c2) + z * Broadcast(c3))) +
                       w2 * w2 * (Broadcast(c4) + z * (Broadcast(c5) + z * Broadcast(c6)));
    const Doubles hz = half * z;
    const Doubles w = one - hz;
    cosine = w + (((one - w) - hz) + (z * rc - x * y));
}

}  // namespace vectormath

// sin x and cos x of every lane.
inline void SinCosLanes(Doubles x, Doubles& sine, Doubles& cosine) {
    using namespace vectormath;
    const Doubles shifted = x * Broadcast(twoOverPi) + Broadcast(roundingShift);
    const Doubles n = shifted - Broadcast(roundingShift);
    const DoublesMask quadrant = DoublesBits(shifted) & BroadcastBits(3);
    // x - n pi/2 as the sum hi + lo of two doubles.
    const Doubles r1 = x - n * Broadcast(halfPi1);
    const Doubles w = n * Broadcast(halfPi2);
    const Doubles r2 = r1 - w;
    const Doubles back = r2 - r1;
    const Doubles error = (r1 - (r2 - back)) - (w + back);
    const Doubles tail = error - n * Broadcast(halfPi2Tail);
    const Doubles hi = r2 + tail;
    const Doubles lo = (r2 - hi) + tail;
    Doubles s;
    Doubles c;
    SinCosKernel(hi, lo, s, c);
    // Quadrants 1 and 3 exchange sine and cosine; 2 and 3 negate the sine, 1 and 2 the cosine.
    const DoublesMask zero = BroadcastBits(0);
    const DoublesMask odd = (quadrant & BroadcastBits(1)) != zero;
    const DoublesMask sign = BroadcastBits(1LL << 63);
    const DoublesMask sineSign = (quadrant & BroadcastBits(2)) != zero;
    const DoublesMask cosineSign = ((quadrant + BroadcastBits(1)) & BroadcastBits(2)) != zero;
    sine = BitsDoubles(DoublesBits(Select(odd, c, s)) ^ (sineSign & sign));
    cosine = BitsDoubles(DoublesBits(Select(odd, s, c)) ^ (cosineSign & sign));
    const DoublesMask inRange = AbsLanes(x) < Broadcast(sinCosLimit);
    if (!AllLanes(inRange)) {
        for (int i = 0; i < doublesLanes; ++i) {
            if (inRange[i] != 0) continue;
            sine[i] = std::sin(x[i]);
            cosine[i] = std::cos(x[i]);
        }
    }
}

// e^x of every lane.
inline Doubles ExpLanes(Doubles x) {
    using namespace vectormath;
    const Doubles shifted = x * Broadcast(inverseLn2) + Broadcast(roundingShift);
    const Doubles n = shifted - Broadcast(roundingShift);
    const Doubles hi = x - n * Broadcast(ln2High);
    const Doubles lo = n * Broadcast(ln2Low);
    const Doubles r = hi - lo;
    const Doubles t = r * r;
    const Doubles c =
        r -
        t * (Broadcast(p1) +
             t * (Broadcast(p2) + t * (Broadcast(p3) + t * (Broadcast(p4) + t * Broadcast(p5)))));
    const Doubles y = Broadcast(1.0) - ((lo - (r * c) / (Broadcast(2.0) - c)) - hi);
    // 2^n from its exponent field; n is the low bits of the shifted sum.
    const DoublesMask exponent =
        (DoublesBits(shifted) - DoublesBits(Broadcast(roundingShift)) + BroadcastBits(1023)) << 52;
    Doubles result = y * BitsDoubles(exponent);
    const DoublesMask inRange = AbsLanes(x) < Broadcast(expLimit);
    if (!AllLanes(inRange)) {
        for (int i = 0; i < doublesLanes; ++i) {
            if (inRange[i] == 0) result[i] = std::exp(x[i]);
        }
    }
    return result;
}
