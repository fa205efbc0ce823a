// The exact sphere fields that the examples and the accuracy tests compare with: each must solve
// the Helmholtz equation and meet its boundary condition through the momentum equation
// j omega rho v = -grad p (time factor exp(+j omega t)).
#include <gtest/gtest.h>

#include <cmath>

#include "tools/SphereField.h"

namespace {

const double rho = 1.2, c = 343.0, a = 0.5;

Complex Scale(Complex p, double s) { return {p.re * s, p.im * s}; }

Complex Field(sphere::Motion motion, double k, Vector3 x) {
    return sphere::Pressure(motion, rho, c, a, k, 0.7, x);
}

// Normal velocity on the sphere from a central difference of the pressure along the radius.
Complex RadialVelocity(sphere::Motion motion, double k, Vector3 onSurface) {
    const double h = 1e-5;
    const Vector3 u = onSurface * (1.0 / Length(onSurface));
    const Complex dp = Scale(
        Field(motion, k, onSurface + u * h) - Field(motion, k, onSurface - u * h), 1.0 / (2.0 * h));
    const double omega = k * c;
    return Scale(dp, -1.0) / Complex{0.0, omega * rho};
}

// Laplacian plus k^2 of the pressure by central differences: zero for a sound field.
Complex HelmholtzResidual(sphere::Motion motion, double k, Vector3 x) {
    const double h = 1e-3;
    const Vector3 steps[3] = {{h, 0, 0}, {0, h, 0}, {0, 0, h}};
    const Complex centre = Field(motion, k, x);
    Complex sum = Scale(centre, k * k - 6.0 / (h * h));
    for (const Vector3& s : steps)
        sum = sum + Scale(Field(motion, k, x + s) + Field(motion, k, x - s), 1.0 / (h * h));
    return sum;
}

}  // namespace

TEST(SphereFields, MeetTheirNormalVelocityOnTheSurface) {
    for (double ka : {0.1, 1.0, 3.0}) {
        const double k = ka / a;
        const Vector3 x{a * 0.6, 0.0, a * 0.8};  // cos(theta) = 0.8
        const Complex pulsating = RadialVelocity(sphere::Motion::pulsating, k, x);
        EXPECT_NEAR(pulsating.re, 0.7, 1e-6) << ka;
        EXPECT_NEAR(pulsating.im, 0.0, 1e-6) << ka;
        const Complex oscillating = RadialVelocity(sphere::Motion::oscillating, k, x);
        EXPECT_NEAR(oscillating.re, 0.7 * 0.8, 1e-6) << ka;
        EXPECT_NEAR(oscillating.im, 0.0, 1e-6) << ka;
    }
}

TEST(SphereFields, SolveTheHelmholtzEquationAsOutgoingWaves) {
    const double k = 3.0;
    const Vector3 x{0.4, -0.3, 0.9};
    for (sphere::Motion motion : {sphere::Motion::pulsating, sphere::Motion::oscillating}) {
        const Complex residual = HelmholtzResidual(motion, k, x);
        EXPECT_LT(Abs(residual), 1e-4 * k * k * Abs(Field(motion, k, x)));
        // Far away the phase falls by k per metre outward: exp(-jkr), an outgoing wave.
        const Vector3 far1 = x * 100.0, far2 = x * (100.0 + 0.01 / Length(x));
        const Complex ratio = Field(motion, k, far2) / Field(motion, k, far1);
        EXPECT_NEAR(std::atan2(ratio.im, ratio.re), -k * 0.01, 1e-6);
    }
}

TEST(SphereFields, LowFrequencyLimitsAreMassLikeLoads) {
    // ka -> 0: pulsating surface pressure j omega rho a v0, oscillating j omega rho a U cos(theta) / 2.
    const double k = 1e-4 / a, omega = k * c;
    const Complex p = sphere::PulsatingPressure(rho, c, a, k, 1.0, a);
    EXPECT_NEAR(p.im / (omega * rho * a), 1.0, 1e-6);
    const Complex q = sphere::OscillatingPressure(rho, c, a, k, 1.0, a, 0.5);
    EXPECT_NEAR(q.im / (omega * rho * a * 0.5 / 2.0), 1.0, 1e-6);
    EXPECT_NEAR(sphere::PressureScale(sphere::Motion::oscillating, rho, c, a, k, 1.0, {0, a, 0}),
                Abs(sphere::OscillatingPressure(rho, c, a, k, 1.0, a, 1.0)), 1e-18);
}
