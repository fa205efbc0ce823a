// Points inside a closed body, away from its surface: where the field formula of the exterior
// problem must give zero. They check a solution (the interior residual) and, as CHIEF points,
// add the equations that make the solution unique near the interior resonances of the body.
//
// The rule, deterministic for a given surface: candidates are the first `candidateCount` points
// of the Halton sequence (bases 2, 3, 5) in the bounding box of the whole surface (symmetry
// images included). A candidate is inside when the solid angle the surface subtends there is
// more than 2 pi in size. Its depth is its distance from the nearest element. The points taken
// are the inside candidates, in sequence order, whose depth is at least half the largest depth
// found and at least the longest element edge: the check points first, then the CHIEF points.
#pragma once

#include <string>
#include <vector>

#include "base/Vector3.h"
#include "surface/SurfaceElement.h"

struct SurfaceGeometry {
    const Vector3* points = nullptr;           // borrowed: all points, images included
    const SurfaceElement* elements = nullptr;  // borrowed: all elements, images included
    int elementCount = 0;
};

struct InteriorPoints {
    std::vector<Vector3> check;
    std::vector<Vector3> chief;
    double depthLimit = 0.0;  // the least depth a point was allowed
    double largestDepth = 0.0;
};

namespace interior {

constexpr int candidateCount = 2048;
// The pool of further CHIEF points (Choose).
constexpr double spreadDepth = 2.0;
constexpr int spreadCandidateCount = 4 * candidateCount;

// The solid angle (signed, in steradians) that the elements subtend at x: +-4 pi inside a closed
// surface, 0 outside. A quadrilateral counts as its two triangles 0 1 2 and 0 2 3.
double SolidAngle(const SurfaceGeometry& surface, Vector3 x);
// The distance from x to the nearest point of any element.
double Distance(const SurfaceGeometry& surface, Vector3 x);
// The longest element edge (for a quadrilateral also its longer diagonal).
double LongestEdge(const SurfaceGeometry& surface);
// The corners of the box that holds every element's points; the surface has an element.
void BoundingBox(const SurfaceGeometry& surface, Vector3& low, Vector3& high);
// Point i (from 0) of the Halton sequence in the box from low to high.
Vector3 HaltonPoint(int i, Vector3 low, Vector3 high);

// Chooses the points by the rule above, then further CHIEF points up to poolCount in all (for
// the high frequencies, whose interior resonances also live near the surface): the inside
// candidates not yet taken, in sequence order, at least spreadDepth longest edges deep, from up
// to spreadCandidateCount candidates. Returns the number of points found, which may be fewer
// than checkCount + max(chiefCount, poolCount) when the body has no room for them.
int Choose(const SurfaceGeometry& surface, int checkCount, int chiefCount, int poolCount,
           InteriorPoints& found);

}  // namespace interior
