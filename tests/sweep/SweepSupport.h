// Shared steps of the sweep program's tests: a working folder with a sphere, its configuration
// and quadrature file, job files, and the sweep program run as a user runs it.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "surface/SurfaceElement.h"
#include "meshes/Mesh.h"

namespace sweeptest {

// The points and elements of a mesh as the surface holds them.
struct Elements {
    std::vector<Vector3> points;
    std::vector<SurfaceElement> elements;
};
Elements FromMesh(const meshes::Mesh& m);

// The sphere of radius 1 m and the rules file in the folder: sphere.srf, Gauss.cfs; field.ms
// holds four points on the z axis from r = 1.5 to 5.
void WriteSphere(const test::TempDir& dir, int level);

// The job text of a pulsating sphere: the medium, sphere.srf, BOUNDARY ALL V 1 0, field.ms,
// OUTPUT out, the lines given, and ACCEPT UNTRUSTED (the coarse spheres of the tests are not
// accurate to the residual limit).
std::string SphereJob(const std::string& lines);

test::RunResult RunSweep(const test::TempDir& dir, const std::vector<std::string>& arguments);

// The frequency of ka on the sphere of radius 1 m in air, c = 343 m/s, as a text that reads back
// as the same double.
std::string FrequencyOfKa(double ka);

// The rows of a CSV file below its header.
std::vector<std::vector<std::string>> CsvRows(const std::string& fileName);

}  // namespace sweeptest
