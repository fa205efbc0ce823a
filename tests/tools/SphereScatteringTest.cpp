// The exact rigid-sphere scattering that the incident sound tests compare with: the spherical
// Bessel and Hankel functions against closed forms and their Wronskian, the two expansions the
// series rest on, and the rigid boundary condition of the total field.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/SphereScattering.h"

namespace {

using namespace scattering;

Complex Phase(double s) { return {std::cos(s), -std::sin(s)}; }  // exp(-js)

double Error(Complex a, Complex b) { return Abs(a - b); }

// dp/dr at x by a central difference along the radius.
template <typename Field>
Complex RadialDerivative(Field field, Vector3 x) {
    const double h = 1e-5;
    const Vector3 u = x * (1.0 / Length(x));
    return Scaled(field(x + u * h) - field(x - u * h), 1.0 / (2.0 * h));
}

}  // namespace

TEST(SphereScattering, BesselFunctionsMatchTheirClosedFormsAlsoWhereSinVanishes) {
    const double pi = 4.0 * std::atan(1.0);
    for (double x : {0.1, 1.0, pi, 2.0 * pi, 7.5, 30.0}) {
        const std::vector<double> j = BesselJ(2, x), y = BesselY(2, x);
        const double s = std::sin(x), c = std::cos(x);
        EXPECT_NEAR(j[0], s / x, 1e-14) << x;
        EXPECT_NEAR(j[1], s / (x * x) - c / x, 1e-14) << x;
        EXPECT_NEAR(j[2], (3.0 / (x * x) - 1.0) * s / x - 3.0 * c / (x * x), 1e-12)
            << x;  // the closed form cancels at small x
        EXPECT_NEAR(y[0], -c / x, 1e-12) << x;
        EXPECT_NEAR(y[2], -(3.0 / (x * x) - 1.0) * c / x - 3.0 * s / (x * x), 1e-10) << x;
    }
    // High orders at a small argument, where the upward recurrence would have lost every digit:
    // j_n(x) -> x^n / (2n+1)!! (1 - x^2 / (2 (2n+3))).
    const double x = 0.5;
    double doubleFactorial = 1.0;
    for (int m = 3; m <= 2 * 20 + 1; m += 2) doubleFactorial *= m;
    const double leading = std::pow(x, 20) / doubleFactorial * (1.0 - x * x / (2.0 * 43.0));
    EXPECT_NEAR(BesselJ(20, x)[20] / leading, 1.0, 1e-5);
}

TEST(SphereScattering, HankelFunctionsMeetTheWronskianAtEveryOrder) {
    // j_n y_n' - j_n' y_n = 1 / x^2 ties the two families and the derivatives together.
    for (double x : {1.0, 3.0, 6.0}) {
        const int n = 40;
        const std::vector<double> j = BesselJ(n + 1, x), y = BesselY(n + 1, x);
        const std::vector<double> dj = Derivatives(j, x), dy = Derivatives(y, x);
        for (int m = 0; m <= n; ++m) {
            const double w = (j[static_cast<size_t>(m)] * dy[static_cast<size_t>(m)] -
                              dj[static_cast<size_t>(m)] * y[static_cast<size_t>(m)]) *
                             x * x;
            EXPECT_NEAR(w, 1.0, 1e-9) << "x " << x << " order " << m;
        }
        const Complex h0 = HankelH(0, x)[0];
        EXPECT_LT(Error(h0, Complex{0.0, 1.0 / x} * Phase(x)),
                  1e-14);  // h_0 = j exp(-jx) / x: outgoing
    }
}

TEST(SphereScattering, SeriesOfThePlaneWaveAndThePointSourceSumToTheirClosedForms) {
    const double k = 2.0;
    const int n = 60;
    for (double mu : {1.0, 0.3, -0.8}) {
        // exp(-jkr mu) = sum (2n+1) (-j)^n j_n(kr) P_n(mu)
        const double r = 2.5;
        const std::vector<double> j = BesselJ(n, k * r), p = Legendre(n, mu);
        Complex sum{0.0, 0.0};
        for (int m = 0; m <= n; ++m)
            sum += Scaled(MinusJPower(m),
                          (2.0 * m + 1.0) * j[static_cast<size_t>(m)] * p[static_cast<size_t>(m)]);
        EXPECT_LT(Error(sum, Phase(k * r * mu)), 1e-12) << mu;

        // exp(-jkR) / R = -jk sum (2n+1) j_n(k r<) h_n(k r>) P_n(cos gamma)
        const double inner = 1.2, outer = 3.0;
        const std::vector<double> ji = BesselJ(n, k * inner);
        const std::vector<Complex> ho = HankelH(n, k * outer);
        Complex series{0.0, 0.0};
        for (int m = 0; m <= n; ++m)
            series +=
                Scaled(ho[static_cast<size_t>(m)],
                       (2.0 * m + 1.0) * ji[static_cast<size_t>(m)] * p[static_cast<size_t>(m)]);
        series = Complex{0.0, -k} * series;
        const double distance = std::sqrt(inner * inner + outer * outer - 2.0 * inner * outer * mu);
        EXPECT_LT(Error(series, Scaled(Phase(k * distance), 1.0 / distance)), 1e-12) << mu;
    }
}

TEST(SphereScattering, TotalFieldMeetsTheRigidAndTheAdmittanceConditionOnTheSphere) {
    const double a = 0.8;
    const Vector3 d = Vector3{1.0, -2.0, 2.0} * (1.0 / 3.0);
    const Vector3 source{0.4, 1.1, -1.6};
    for (Complex eta : {Complex{0.0, 0.0}, Complex{0.4, -0.3}}) {
        for (double ka : {0.5, 1.0, 3.0, 4.0 * std::atan(1.0)}) {
            const double k = ka / a;
            const auto plane = [&](Vector3 x) {
                return SpherePlaneWave(a, k, eta, {0.6, -0.3}, d, x);
            };
            const auto point = [&](Vector3 x) {
                return SpherePointSource(a, k, eta, {1.5, 0.2}, source, x);
            };
            for (Vector3 u : {Vector3{0, 0, 1}, Vector3{0.6, 0, -0.8}, Vector3{-0.48, 0.6, 0.64}}) {
                const Vector3 x = u * a;
                // eta p = (j / k) dp/dr, against the incident field's own size, about |P0|.
                const Complex planeResidual =
                    Complex{0.0, 1.0 / k} * RadialDerivative(plane, x) - eta * plane(x);
                const Complex pointResidual =
                    Complex{0.0, 1.0 / k} * RadialDerivative(point, x) - eta * point(x);
                EXPECT_LT(Abs(planeResidual), 1e-7) << "plane wave, ka " << ka << " eta " << eta.re;
                EXPECT_LT(Abs(pointResidual), 1e-7)
                    << "point source, ka " << ka << " eta " << eta.re;
            }
        }
    }
}
