// Exact scattering by a sphere of radius a centred at the origin, rigid or locally reacting, time
// factor exp(+j omega t), real wave number k: the reference of the incident sound tests and of the
// scattering example.
//
// The surface is given by its specific admittance eta = rho c v / p, v the normal velocity out of
// the sphere: 0 for a rigid sphere. With j_n, y_n the spherical Bessel functions and the outgoing
// Hankel functions h_n = j_n - j y_n (h_0(x) = j exp(-jx) / x), every partial wave j_n(kr) of the
// incident field is met by c_n h_n(kr) with
//   c_n = -(j j_n'(ka) - eta j_n(ka)) / (j h_n'(ka) - eta h_n(ka)),
// from eta p = (j / k) dp/dr at r = a (the momentum equation j omega rho v = -dp/dr); for the
// rigid sphere c_n = -j_n'(ka) / h_n'(ka).
//
// Plane wave p_inc = P0 exp(-jk d.x) = P0 sum (2n+1) (-j)^n j_n(kr) P_n(cos theta), cos theta = d.x / r:
//   p_s = P0 sum (2n+1) (-j)^n c_n h_n(kr) P_n(cos theta).
// Point source p_inc = A exp(-jkR) / R at r_s > a, for r < r_s
//   p_inc = -jkA sum (2n+1) j_n(kr) h_n(kr_s) P_n(cos gamma), gamma the angle between x and the source:
//   p_s = -jkA sum (2n+1) c_n h_n(kr_s) h_n(kr) P_n(cos gamma), which holds for every r >= a.
// The functions return the total pressure p_inc + p_s, the incident part in closed form.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"

namespace scattering {

// j_0(x) .. j_n(x) for x > 0 by downward recurrence from well above n and x (the upward
// recurrence loses every digit once the order exceeds x), normalised by the sum rule
// sum (2m+1) j_m(x)^2 = 1, which, unlike j_0 = sin(x) / x, holds at the zeros of sin as well.
inline std::vector<double> BesselJ(int n, double x) {
    const int start = n + 30 + static_cast<int>(x);
    std::vector<double> f(static_cast<size_t>(start) + 2, 0.0);
    f[static_cast<size_t>(start)] = 1e-30;
    for (int m = start; m >= 1; --m) {
        f[static_cast<size_t>(m) - 1] =
            (2.0 * m + 1.0) / x * f[static_cast<size_t>(m)] - f[static_cast<size_t>(m) + 1];
        if (std::fabs(f[static_cast<size_t>(m) - 1]) > 1e100) {
            for (int i = m - 1; i <= start; ++i) f[static_cast<size_t>(i)] *= 1e-100;
        }
    }
    double sum = 0.0;
    for (int m = 0; m <= start; ++m)
        sum += (2.0 * m + 1.0) * f[static_cast<size_t>(m)] * f[static_cast<size_t>(m)];
    // The sign: j_0 = sin(x) / x, or j_1 = sin(x) / x^2 - cos(x) / x where sin(x) is small.
    const double j0 = std::sin(x) / x, j1 = std::sin(x) / (x * x) - std::cos(x) / x;
    const bool useFirst = std::fabs(j0) > std::fabs(j1);
    const double reference = useFirst ? j0 : j1;
    const double computed = useFirst ? f[0] : f[1];
    const double scale = (reference * computed < 0.0 ? -1.0 : 1.0) / std::sqrt(sum);
    std::vector<double> j(static_cast<size_t>(n) + 1);
    for (int m = 0; m <= n; ++m) j[static_cast<size_t>(m)] = f[static_cast<size_t>(m)] * scale;
    return j;
}

// y_0(x) .. y_n(x) by upward recurrence, which is stable for the Neumann functions.
inline std::vector<double> BesselY(int n, double x) {
    std::vector<double> y(static_cast<size_t>(std::max(n, 1)) + 1);
    y[0] = -std::cos(x) / x;
    y[1] = -std::cos(x) / (x * x) - std::sin(x) / x;
    for (int m = 1; m < n; ++m)
        y[static_cast<size_t>(m) + 1] =
            (2.0 * m + 1.0) / x * y[static_cast<size_t>(m)] - y[static_cast<size_t>(m) - 1];
    y.resize(static_cast<size_t>(n) + 1);
    return y;
}

// Derivatives from the values up to order n + 1: f_0' = -f_1, f_m' = f_(m-1) - (m+1)/x f_m.
inline std::vector<double> Derivatives(const std::vector<double>& f, double x) {
    std::vector<double> d(f.size() - 1);
    d[0] = -f[1];
    for (size_t m = 1; m < d.size(); ++m) d[m] = f[m - 1] - (m + 1.0) / x * f[m];
    return d;
}

// The outgoing spherical Hankel functions h_m = j_m - j y_m, m = 0..n.
inline std::vector<Complex> HankelH(int n, double x) {
    const std::vector<double> j = BesselJ(n, x), y = BesselY(n, x);
    std::vector<Complex> h(static_cast<size_t>(n) + 1);
    for (size_t m = 0; m < h.size(); ++m) h[m] = {j[m], -y[m]};
    return h;
}

// Their derivatives h_m', m = 0..n.
inline std::vector<Complex> HankelDerivatives(int n, double x) {
    const std::vector<double> dj = Derivatives(BesselJ(n + 1, x), x),
                              dy = Derivatives(BesselY(n + 1, x), x);
    std::vector<Complex> d(static_cast<size_t>(n) + 1);
    for (size_t m = 0; m < d.size(); ++m) d[m] = {dj[m], -dy[m]};
    return d;
}

// P_0(mu) .. P_n(mu) by Bonnet's recurrence.
inline std::vector<double> Legendre(int n, double mu) {
    std::vector<double> p(static_cast<size_t>(std::max(n, 1)) + 1);
    p[0] = 1.0;
    p[1] = mu;
    for (int m = 1; m < n; ++m)
        p[static_cast<size_t>(m) + 1] =
            ((2.0 * m + 1.0) * mu * p[static_cast<size_t>(m)] - m * p[static_cast<size_t>(m) - 1]) /
            (m + 1.0);
    p.resize(static_cast<size_t>(n) + 1);
    return p;
}

// (-j)^n
inline Complex MinusJPower(int n) {
    static const Complex powers[4] = {{1.0, 0.0}, {0.0, -1.0}, {-1.0, 0.0}, {0.0, 1.0}};
    return powers[n % 4];
}

inline Complex Scaled(Complex z, double s) { return {z.re * s, z.im * s}; }

// Terms beyond ka + 4 (ka)^(1/3) fall off factorially; twenty more leave them below rounding.
inline int PlaneWaveOrders(double ka) { return static_cast<int>(ka + 4.0 * std::cbrt(ka)) + 20; }

inline double CosAngle(Vector3 a, Vector3 b) {
    return std::max(-1.0, std::min(1.0, Dot(a, b) / (Length(a) * Length(b))));
}

// The scattered factors c_n, n = 0..orders, of the surface of specific admittance eta.
inline std::vector<Complex> ScatteringFactors(int orders, double ka, Complex eta) {
    const std::vector<double> j = BesselJ(orders + 1, ka);
    const std::vector<double> dj = Derivatives(j, ka);
    const std::vector<Complex> h = HankelH(orders, ka), dh = HankelDerivatives(orders, ka);
    const Complex jUnit{0.0, 1.0};
    std::vector<Complex> c(static_cast<size_t>(orders) + 1);
    for (size_t m = 0; m < c.size(); ++m) {
        const Complex numerator = jUnit * Complex{dj[m], 0.0} - eta * Complex{j[m], 0.0};
        const Complex denominator = jUnit * dh[m] - eta * h[m];
        c[m] = Complex{0.0, 0.0} - numerator / denominator;
    }
    return c;
}

// The total pressure at x (|x| >= a) of the plane wave P0 exp(-jk d.x), d of unit length, on the
// sphere of radius a and specific admittance eta.
inline Complex SpherePlaneWave(double a, double k, Complex eta, Complex amplitude, Vector3 d,
                               Vector3 x) {
    const double r = Length(x);
    const int orders = PlaneWaveOrders(k * a);
    const std::vector<Complex> factors = ScatteringFactors(orders, k * a, eta);
    const std::vector<Complex> h = HankelH(orders, k * r);
    const std::vector<double> p = Legendre(orders, CosAngle(d, x));
    Complex sum{0.0, 0.0};
    for (int m = orders; m >= 0; --m) {
        const size_t i = static_cast<size_t>(m);
        sum += Scaled(MinusJPower(m) * factors[i] * h[i], (2.0 * m + 1.0) * p[i]);
    }
    const double phase = k * Dot(d, x);
    const Complex incident = amplitude * Complex{std::cos(phase), -std::sin(phase)};
    return incident + amplitude * sum;
}

// The total pressure at x (|x| >= a) of the point source A exp(-jkR) / R at `source`
// (|source| > a) outside the sphere of radius a and specific admittance eta. The orders stop at
// 150, where y_n(ka) nears the range of a double: enough for sources and points from about 1.4 a
// on at ka >= 1.
inline Complex SpherePointSource(double a, double k, Complex eta, Complex amplitude, Vector3 source,
                                 Vector3 x) {
    const double r = Length(x), rs = Length(source);
    // The terms fall off as (a / r_s)^n (a / r)^n beyond the plane wave's orders.
    const int orders =
        std::min(150, PlaneWaveOrders(k * a) + static_cast<int>(37.0 / std::log(rs * r / (a * a))));
    const std::vector<Complex> factors = ScatteringFactors(orders, k * a, eta);
    const std::vector<Complex> hs = HankelH(orders, k * rs);
    const std::vector<Complex> h = HankelH(orders, k * r);
    const std::vector<double> p = Legendre(orders, CosAngle(source, x));
    Complex sum{0.0, 0.0};
    for (int m = orders; m >= 0; --m) {
        const size_t i = static_cast<size_t>(m);
        sum += Scaled(factors[i] * hs[i] * h[i], (2.0 * m + 1.0) * p[i]);
    }
    const double distance = Length(x - source);
    const Complex incident =
        amplitude * Complex{std::cos(k * distance) / distance, -std::sin(k * distance) / distance};
    return incident - Complex{0.0, k} * amplitude * sum;
}

}  // namespace scattering
