// The excitation of every surface point derived from conditions given per region of elements.
// Each element takes the condition of the last BOUNDARY line that names its region (or ALL).
// A point takes one condition from the elements around it:
//   - the type that wins, in the order P, then Z, then Y, then V (a given pressure or impedance
//     is a property of the surface material there; V is the vibrating or rigid default);
//   - the mean of the values of its elements of that type, each weighted with the element's
//     share of area at the point (the element's area over its node count).
// For V the weighting keeps the volume velocity of the surface exact: the sum over the points of
// v times the point's area share equals the sum over the elements of v times the element area,
// so a piston's rim does not change its volume velocity.
#pragma once

#include <string>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"
#include "fileio/RegionsFile.h"
#include "frequency/ModelDescription.h"
#include "surface/SurfaceElement.h"

// The excitation of the pointCount points of the surface file from its elementCount elements (the
// elements of the file, before any reflection), their regions (null: every element is in ALL
// only) and the conditions. 0, or -5 after one report when a condition names a region that no
// element has, or an element is left without a condition.
int DeriveExcitation(const Vector3* points, int pointCount, const SurfaceElement* elements,
                     int elementCount, const RegionMap* regions,
                     const std::vector<BoundaryCondition>& conditions, const std::string& jobFile,
                     PointExcitation& excitation);

// The area of an element: a triangle, or a quadrilateral as the two triangles 0 1 2 and 0 2 3.
double ElementArea(const Vector3* points, const SurfaceElement& element);
