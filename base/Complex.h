// A complex number of the acoustic computations: real part first, then the imaginary part.
// The arithmetic is written out on the two parts, exactly as the formulas give it: no scaling in
// the quotient and no NaN recovery in the product, so that results do not depend on a library.
#pragma once

#include <cmath>

struct Complex {
    double re;
    double im;
};

inline Complex operator+(Complex a, Complex b) { return {a.re + b.re, a.im + b.im}; }
inline Complex operator-(Complex a, Complex b) { return {a.re - b.re, a.im - b.im}; }

// (a + bi)(c + di) = (ac - bd) + (ad + bc)i
inline Complex operator*(Complex a, Complex b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// x / p = ((x.re p.re + x.im p.im) + (x.im p.re - x.re p.im)i) / (p.re^2 + p.im^2)
inline Complex operator/(Complex x, Complex p) {
    const double d = p.re * p.re + p.im * p.im;
    return {(x.re * p.re + x.im * p.im) / d, (x.im * p.re - x.re * p.im) / d};
}

inline Complex& operator+=(Complex& a, Complex b) {
    a.re += b.re;
    a.im += b.im;
    return a;
}
inline Complex& operator-=(Complex& a, Complex b) {
    a.re -= b.re;
    a.im -= b.im;
    return a;
}

// |p| = sqrt(p.re^2 + p.im^2)
inline double Abs(Complex p) { return std::sqrt(p.re * p.re + p.im * p.im); }
