// Incident plane waves and point sources: their pressure for real and complex wave numbers, the
// gradient and normal velocity against differences, and the row term.
#include <gtest/gtest.h>

#include <cmath>

#include "base/Constants.h"
#include "solver/IncidentField.h"
#include "support/TestSupport.h"

namespace {

Complex Scale(Complex z, double s) { return {z.re * s, z.im * s}; }

double Error(Complex a, Complex b) { return Abs(a - b); }

}  // namespace

TEST(IncidentField, PlaneWaveTravelsAlongItsNormalisedDirectionWithTheAmplitudeAtTheOrigin) {
    CIncidentField field;
    ASSERT_EQ(field.AddPlaneWave({2.0, -1.0}, {0.0, 0.0, 5.0}), 0);
    const Complex k{3.0, 0.0};
    EXPECT_LT(Error(field.Pressure(k, {7.0, -2.0, 0.0}), {2.0, -1.0}), 1e-15);
    // exp(+j omega t) and exp(-jkz): the phase lags by kz downstream.
    const Complex p = field.Pressure(k, {0.0, 0.0, 0.25});
    EXPECT_LT(Error(p, Complex{2.0, -1.0} * Complex{std::cos(0.75), -std::sin(0.75)}), 1e-15);
    EXPECT_NEAR(field.PlaneWaves()[0].direction.z, 1.0, 1e-15);
}

TEST(IncidentField, ComplexWaveNumberDampsBothKindsAlongTheirPath) {
    // c = 343 + 10j gives k = omega / c with a negative imaginary part: the waves decay.
    const double omega = 1000.0;
    const Complex k = Complex{omega, 0.0} / Complex{343.0, 10.0};
    ASSERT_LT(k.im, 0.0);
    CIncidentField plane;
    ASSERT_EQ(plane.AddPlaneWave({1.0, 0.0}, {1.0, 1.0, 0.0}), 0);
    const double s = 2.0;
    const Vector3 x = Vector3{1.0, 1.0, 0.0} * (s / std::sqrt(2.0));
    EXPECT_NEAR(Abs(plane.Pressure(k, x)), std::exp(k.im * s), 1e-14);
    EXPECT_NEAR(Abs(plane.Pressure(k, Vector3{0, 0, 0} - x)), std::exp(-k.im * s), 1e-14);

    CIncidentField point;
    point.AddPointSource({0.5, 0.0}, {1.0, 2.0, 3.0});
    const Complex q = point.Pressure(k, {1.0, 2.0, 3.0 + s});
    EXPECT_LT(Error(q, Scale(PropagationFactor(k, s), 0.5 / s)), 1e-15);
    EXPECT_NEAR(Abs(q), 0.5 / s * std::exp(k.im * s), 1e-15);
}

TEST(IncidentField, SumsItsWavesAndSourcesAndGivesMinusFourPiTimesThePressureAsRowTerm) {
    CIncidentField field;
    ASSERT_EQ(field.AddPlaneWave({1.0, 0.5}, {0.0, 1.0, 0.0}), 0);
    ASSERT_EQ(field.AddPlaneWave({-0.3, 0.0}, {1.0, 0.0, -1.0}), 0);
    field.AddPointSource({0.0, 2.0}, {3.0, 0.0, 0.0});
    CIncidentField a, b, c;
    a.AddPlaneWave({1.0, 0.5}, {0.0, 1.0, 0.0});
    b.AddPlaneWave({-0.3, 0.0}, {1.0, 0.0, -1.0});
    c.AddPointSource({0.0, 2.0}, {3.0, 0.0, 0.0});
    const Complex k{1.7, -0.01};
    const Vector3 points[2] = {{0.2, -0.4, 1.0}, {-1.0, 0.5, 0.5}};
    Complex pressures[2], terms[2];
    field.Pressures(k, points, 2, pressures);
    field.RowTerms(k, points, 2, terms);
    for (int i = 0; i < 2; ++i) {
        const Complex sum =
            a.Pressure(k, points[i]) + b.Pressure(k, points[i]) + c.Pressure(k, points[i]);
        EXPECT_LT(Error(pressures[i], sum), 1e-15);
        EXPECT_LT(Error(terms[i], Scale(sum, -4.0 * pi)), 1e-13);
    }
}

TEST(IncidentField, GradientAndNormalVelocityAgreeWithDifferencesOfThePressure) {
    CIncidentField field;
    ASSERT_EQ(field.AddPlaneWave({1.0, -0.5}, {0.3, -0.4, 0.5}), 0);
    field.AddPointSource({0.8, 0.1}, {0.5, 0.5, -1.0});
    const Complex k{2.5, -0.05};
    const Vector3 x{0.1, 0.7, 0.4};
    const double h = 1e-6;
    const Vector3 steps[3] = {{h, 0, 0}, {0, h, 0}, {0, 0, h}};
    Complex gradient[3];
    field.Gradient(k, x, gradient);
    for (int i = 0; i < 3; ++i) {
        const Complex difference = Scale(
            field.Pressure(k, x + steps[i]) - field.Pressure(k, x - steps[i]), 1.0 / (2.0 * h));
        EXPECT_LT(Error(gradient[i], difference), 1e-7) << "component " << i;
    }
    // j omega rho v = -dp/dn
    const double omega = 850.0, rho = 1.2;
    const Vector3 n{0.0, 0.6, 0.8};
    const Complex v = field.NormalVelocity(k, omega, rho, x, n);
    const Complex dpdn =
        Scale(field.Pressure(k, x + n * h) - field.Pressure(k, x - n * h), 1.0 / (2.0 * h));
    EXPECT_LT(Error(Complex{0.0, omega * rho} * v, Scale(dpdn, -1.0)), 1e-7);
}

TEST(IncidentField, RefusesAPlaneWaveWithoutDirectionWithOneReport) {
    test::ConsoleCapture console;
    CIncidentField field;
    EXPECT_EQ(field.AddPlaneWave({1.0, 0.0}, {0.0, 0.0, 0.0}), -2);
    EXPECT_EQ(field.AddPlaneWave({1.0, 0.0}, {NAN, 0.0, 1.0}), -2);
    EXPECT_EQ(field.AddPlaneWave({1.0, 0.0}, {1e308, 1e308, 0.0}), -2);  // its length overflows
    EXPECT_EQ(console.Reports(), 3);
    EXPECT_TRUE(field.Empty());
    EXPECT_NE(console.text.find("plane wave direction"), std::string::npos);
}
