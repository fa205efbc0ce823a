// Exact sound fields of a sphere of radius a in free space, time factor exp(+j omega t), outgoing
// waves exp(-j k r) / r, density rho and sound velocity c. They are the reference of the examples
// and of the accuracy tests.
//
// Pulsating sphere, uniform normal velocity v0:
//   p(r) = rho c v0 (a / r) jka / (1 + jka) exp(-jk(r - a)).
//
// Oscillating sphere, rigid body velocity U along +z, so normal velocity U cos(theta):
//   p(r, theta) = rho c U (a / r)^2 cos(theta) jka (1 + jkr) / (2 + 2jka - (ka)^2) exp(-jk(r - a)).
// Derivation: the dipole field D cos(theta) (1 + jkr) exp(-jkr) / r^2 is the z derivative of the
// monopole exp(-jkr) / r and so solves the Helmholtz equation. Its radial derivative is
// D cos(theta) exp(-jkr) ((kr)^2 - 2jkr - 2) / r^3, and the momentum equation
// j omega rho v_r = -dp/dr gives at r = a: D = j omega rho U a^3 exp(jka) / (2 + 2jka - (ka)^2).
// With omega = c k this is the formula above. For ka -> 0 the surface pressure is
// j omega rho U a cos(theta) / 2: the sphere carries half its displaced mass of fluid along.
#pragma once

#include <cmath>

#include "base/Complex.h"
#include "base/Vector3.h"

namespace sphere {

enum class Motion { pulsating, oscillating };

inline Complex OutgoingPhase(double k, double r, double a) {  // exp(-jk(r - a))
    return {std::cos(k * (r - a)), -std::sin(k * (r - a))};
}

inline Complex PulsatingPressure(double rho, double c, double a, double k, double v0, double r) {
    const double ka = k * a;
    const Complex factor = Complex{0.0, ka} / Complex{1.0, ka};
    return Complex{rho * c * v0 * a / r, 0.0} * factor * OutgoingPhase(k, r, a);
}

inline Complex OscillatingPressure(double rho, double c, double a, double k, double U, double r,
                                   double cosTheta) {
    const double ka = k * a;
    const Complex numerator = Complex{0.0, ka} * Complex{1.0, k * r};
    const Complex denominator{2.0 - ka * ka, 2.0 * ka};
    const double scale = rho * c * U * (a / r) * (a / r) * cosTheta;
    return Complex{scale, 0.0} * (numerator / denominator) * OutgoingPhase(k, r, a);
}

// The sphere's pressure at point x (centre at the origin, motion along +z).
inline Complex Pressure(Motion motion, double rho, double c, double a, double k, double amplitude,
                        Vector3 x) {
    const double r = Length(x);
    if (motion == Motion::pulsating) return PulsatingPressure(rho, c, a, k, amplitude, r);
    return OscillatingPressure(rho, c, a, k, amplitude, r, x.z / r);
}

// The largest magnitude of the pressure over all directions at the distance of x: the scale of
// the error at x. For the pulsating sphere it is the pressure's own magnitude; for the
// oscillating sphere the magnitude on the axis, so that the error stays meaningful near the
// equator, where the pressure itself vanishes.
inline double PressureScale(Motion motion, double rho, double c, double a, double k,
                            double amplitude, Vector3 x) {
    const double r = Length(x);
    if (motion == Motion::pulsating) return Abs(PulsatingPressure(rho, c, a, k, amplitude, r));
    return Abs(OscillatingPressure(rho, c, a, k, amplitude, r, 1.0));
}

}  // namespace sphere
