// Conjugates, inner products and norms of complex vectors, each sum in ascending index order.
#pragma once

#include <cmath>

#include "base/Complex.h"

inline Complex Conjugate(Complex a) { return {a.re, -a.im}; }

// conj(a) b
inline Complex ConjugateTimes(Complex a, Complex b) {
    return {a.re * b.re + a.im * b.im, a.re * b.im - a.im * b.re};
}

inline double SquaredAbs(Complex a) { return a.re * a.re + a.im * a.im; }

// a^H b
inline Complex InnerProduct(const Complex* a, const Complex* b, int n) {
    Complex sum{0.0, 0.0};
    for (int i = 0; i < n; ++i) sum += ConjugateTimes(a[i], b[i]);
    return sum;
}

inline double SquaredNorm(const Complex* a, int n) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += SquaredAbs(a[i]);
    return sum;
}

inline double Norm(const Complex* a, int n) { return std::sqrt(SquaredNorm(a, n)); }

// y += factor x
inline void AddScaled(Complex* y, const Complex* x, Complex factor, int n) {
    for (int i = 0; i < n; ++i) y[i] += factor * x[i];
}

// y -= factor x
inline void SubtractScaled(Complex* y, const Complex* x, Complex factor, int n) {
    for (int i = 0; i < n; ++i) y[i] -= factor * x[i];
}
