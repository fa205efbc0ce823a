// The surface file text of a test mesh, written here so that tests of the reader control every
// character of it.
#pragma once

#include <string>

#include "meshes/Mesh.h"

namespace test {

// The surface file text of a mesh, as the writer would give it but without comment lines.
std::string SurfaceText(const meshes::Mesh& mesh);

}  // namespace test
