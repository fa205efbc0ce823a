// Small closed surfaces of the surface tests, and their surface file text.
#pragma once

#include <string>

#include "bench/SphereSurface.h"

namespace shapes {

// The unit cube, every face seen counter-clockwise from outside; split into two triangles per
// face when `triangles` is set.
sphere::Mesh Cube(bool triangles);
// A regular tetrahedron facing outward.
sphere::Mesh Tetrahedron();
// The surface file text of a mesh, as the writer would give it but without comment lines.
std::string SurfaceText(const sphere::Mesh& mesh);

}  // namespace shapes
