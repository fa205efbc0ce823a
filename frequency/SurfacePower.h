// The sound power a surface solution radiates: W = 1/2 Re of the integral of p v* over the whole
// surface, mirror images included, with p and v interpolated by the shape functions of the
// elements as the surface matrices interpolate them.
#pragma once

#include "base/Complex.h"
#include "generator/Generator.h"

// The radiated power in W for the pressures and velocities of the generator's pointCount file
// points (the velocity values as the solution gives them: along a point's direction vector where
// it has one, and recovered from the condition at P, Z and Y points). Every element of the whole
// surface contributes, its nodes taking the values of their file points; the normal velocity at
// a node is the value times the element's factor for it, as in the matrix B. Triangles are
// integrated exactly; quadrilaterals with the bilinear map by a 3 x 3 Gauss rule, exact for a
// plane one. Positive when sound leaves the surface into the fluid; a rigid scatterer gives 0,
// an absorbing one less. Needs Init (not the rules).
double RadiatedPower(const CGenerator& generator, const Complex* pressures,
                     const Complex* velocities);
