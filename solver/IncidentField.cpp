// The incident pressure of plane waves and point sources, its gradient and the row terms.
#include "solver/IncidentField.h"

#include <cmath>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "base/Status.h"

Complex PropagationFactor(Complex k, double s) {
    const double decay = std::exp(k.im * s);
    return {decay * std::cos(k.re * s), -(decay * std::sin(k.re * s))};
}

bool CIncidentField::UsableDirection(Vector3 direction) {
    const double length = Length(direction);
    return std::isfinite(length) && length > 0.0;
}

int CIncidentField::AddPlaneWave(Complex amplitude, Vector3 direction) {
    if (!UsableDirection(direction)) {
        logFile.ReportError("CIncidentField", "AddPlaneWave", Message::badParameter,
                            "plane wave direction");
        return Status::badParameter;
    }
    planeWaves.push_back({amplitude, direction * (1.0 / Length(direction))});
    return Status::ok;
}

void CIncidentField::AddPointSource(Complex amplitude, Vector3 position) {
    pointSources.push_back({amplitude, position});
}

Complex CIncidentField::Pressure(Complex k, Vector3 x) const {
    Complex sum{0.0, 0.0};
    for (const PlaneWave& wave : planeWaves) {
        sum += wave.amplitude * PropagationFactor(k, Dot(wave.direction, x));
    }
    for (const PointSource& source : pointSources) {
        const double r = Length(x - source.position);
        const Complex p = source.amplitude * PropagationFactor(k, r);
        sum += Complex{p.re / r, p.im / r};
    }
    return sum;
}

void CIncidentField::Pressures(Complex k, const Vector3* x, int count, Complex* pressures) const {
    for (int i = 0; i < count; ++i) pressures[i] = Pressure(k, x[i]);
}

void CIncidentField::Gradient(Complex k, Vector3 x, Complex gradient[3]) const {
    Complex g[3] = {{0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}};
    const Complex jk{-k.im, k.re};
    const auto add = [&g](Complex factor, Vector3 along) {
        g[0] += Complex{factor.re * along.x, factor.im * along.x};
        g[1] += Complex{factor.re * along.y, factor.im * along.y};
        g[2] += Complex{factor.re * along.z, factor.im * along.z};
    };
    // grad (A exp(-jk d.x)) = -jk d p.
    for (const PlaneWave& wave : planeWaves) {
        const Complex p = wave.amplitude * PropagationFactor(k, Dot(wave.direction, x));
        add(Complex{0.0, 0.0} - jk * p, wave.direction);
    }
    // grad (A exp(-jkR) / R) = -p (jk + 1/R) (x - xs) / R.
    for (const PointSource& source : pointSources) {
        const Vector3 d = x - source.position;
        const double r = Length(d);
        const Complex p = source.amplitude * PropagationFactor(k, r);
        const Complex pr{p.re / r, p.im / r};
        const Complex factor = Complex{0.0, 0.0} - pr * Complex{jk.re + 1.0 / r, jk.im};
        add(factor, d * (1.0 / r));
    }
    gradient[0] = g[0];
    gradient[1] = g[1];
    gradient[2] = g[2];
}

Complex CIncidentField::NormalVelocity(Complex k, double omega, double density, Vector3 x,
                                       Vector3 n) const {
    Complex g[3];
    Gradient(k, x, g);
    const Complex dpdn{g[0].re * n.x + g[1].re * n.y + g[2].re * n.z,
                       g[0].im * n.x + g[1].im * n.y + g[2].im * n.z};
    // -dpdn / (j omega rho) = j dpdn / (omega rho)
    const double s = omega * density;
    return {-(dpdn.im / s), dpdn.re / s};
}

Complex CIncidentField::RowTerm(Complex k, Vector3 x) const {
    const Complex p = Pressure(k, x);
    return {-(4.0 * pi * p.re), -(4.0 * pi * p.im)};
}

void CIncidentField::RowTerms(Complex k, const Vector3* x, int count, Complex* terms) const {
    for (int i = 0; i < count; ++i) terms[i] = RowTerm(k, x[i]);
}
