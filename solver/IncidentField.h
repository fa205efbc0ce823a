// Incident sound: a sum of plane waves and point sources that exists without the body, given for
// the time factor exp(+j omega t). The body scatters it; the surface equations and the field
// formula take it in as the terms below, so that the pressures and velocities solved for and the
// field pressures are total ones and the boundary conditions hold for the total field.
//
// With A and B as the generator writes them (G = exp(-jkR) / R, the solid angle of the fluid
// subtracted on the diagonal of A, B scaled by -j omega DENSITY), a row at a point x reads
//   A p - B v = -4 pi p_inc(x)              at a surface point (surface rows of A),
//   A p - B v = -4 pi p_inc(x)              at a point inside the body (rows without free term),
//   A p - B v =  4 pi (p(x) - p_inc(x))     at a field point (rows without free term),
// for incident fields that are regular inside the body: plane waves, and point sources in the
// fluid. docs/guide.md derives it.
#pragma once

#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"

// A plane wave p = amplitude exp(-jk d.x): travelling along the unit vector d, amplitude at the
// origin.
struct PlaneWave {
    Complex amplitude;
    Vector3 direction;
};

// A point source in the fluid: p = amplitude exp(-jkR) / R, R the distance from its position.
struct PointSource {
    Complex amplitude;
    Vector3 position;
};

class CIncidentField {
public:
    // A plane wave along `direction`, which need not be of unit length but must be finite and
    // not zero (see UsableDirection). Returns 0, or -2 after a report for an unusable direction.
    int AddPlaneWave(Complex amplitude, Vector3 direction);
    void AddPointSource(Complex amplitude, Vector3 position);

    // Whether a direction vector can be normalised: finite and of non-zero length.
    static bool UsableDirection(Vector3 direction);

    bool Empty() const { return planeWaves.empty() && pointSources.empty(); }
    const std::vector<PlaneWave>& PlaneWaves() const { return planeWaves; }
    const std::vector<PointSource>& PointSources() const { return pointSources; }

    // The incident pressure at x for the complex wave number k = omega / c: the plane waves in
    // the order added, then the point sources. At a source position the value is not finite.
    Complex Pressure(Complex k, Vector3 x) const;
    // The same at `count` points into `pressures`.
    void Pressures(Complex k, const Vector3* x, int count, Complex* pressures) const;
    // The gradient of the incident pressure at x (three complex components).
    void Gradient(Complex k, Vector3 x, Complex gradient[3]) const;
    // The incident particle velocity along n at x: v = -(grad p . n) / (j omega DENSITY).
    Complex NormalVelocity(Complex k, double omega, double density, Vector3 x, Vector3 n) const;

    // The term the right-hand side of a row collocated at x gains, -4 pi p_inc(x): for the rows
    // of the surface equation and for rows at points inside the body alike.
    Complex RowTerm(Complex k, Vector3 x) const;
    // The same for `count` row points into `terms`.
    void RowTerms(Complex k, const Vector3* x, int count, Complex* terms) const;

private:
    std::vector<PlaneWave> planeWaves;  // directions normalised
    std::vector<PointSource> pointSources;
};

// exp(-j k s) for a complex wave number k and a real length s: with k = kr + j ki it is
// exp(ki s) (cos(kr s) - j sin(kr s)), the factor of the kernel.
Complex PropagationFactor(Complex k, double s);
