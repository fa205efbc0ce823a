// The test and tool meshes: closed surfaces and point sets built in memory, in the library's own
// element type, for the mesh tools, the benchmarks and the tests. A mesh goes into a CSurface as
// if read from a surface file, and out to a file through the surface writer.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "base/Vector3.h"
#include "surface/Surface.h"
#include "surface/SurfaceElement.h"

namespace meshes {

// Points, elements over them and the symmetry planes that complete them (point and normal each).
// Direction vectors are 0 0 0 throughout. A mesh without elements is a set of measuring points.
struct Mesh {
    std::vector<Vector3> points;
    std::vector<SurfaceElement> elements;
    std::vector<Vector3> planePoints;
    std::vector<Vector3> planeNormals;
};

SurfaceElement Triangle(int a, int b, int c);
SurfaceElement Quadrilateral(int a, int b, int c, int d);

// The normal by the node order: (P2 - P1) x (P0 - P1), the cross product at node 1.
Vector3 Normal(const Mesh& mesh, const SurfaceElement& element);
Vector3 Centroid(const Mesh& mesh, const SurfaceElement& element);
double LongestEdge(const Mesh& mesh);

// Puts the mesh into a newly constructed surface, as ReadSurfaceFile would leave it.
void Load(CSurface& surface, const Mesh& mesh);
// Whether the program can hold the mesh: its points and elements after the reflection in its
// symmetry planes within surfaceIndexLimit (the program's limit).
bool FitsTheProgram(const Mesh& mesh);
// The same within another limit (wideSurfaceIndexLimit: what kavoral-sweep can hold).
bool FitsWithin(const Mesh& mesh, int limit);
// Writes the mesh as a surface file (a measuring points file when it has no elements) through the
// surface writer, coordinates to full precision, `title` as the first comment line. True when
// the file was written; otherwise the writer has reported why.
bool WriteSurface(const Mesh& mesh, const std::string& fileName, const std::string& title);

// ---- Spheres, facing outward -----------------------------------------------------------------

// Icosahedron refined `level` times by halving every edge, points pushed out onto the sphere:
// 10 * 4^level + 2 points and 20 * 4^level triangles.
Mesh Icosphere(double radius, int level);
// Cube of 6 m^2 quadrilaterals mapped onto the sphere with equal angles along every cube edge
// (the gnomonic map), which keeps the elements close to one size: 6 m^2 + 2 points.
Mesh CubedSphere(double radius, int m);
// Octahedron faces split into n^2 triangles each, points pushed out onto the sphere. Points on
// the coordinate planes have that coordinate exactly 0, and the eight octants are exact mirror
// images of each other. With `wholeSphere` false only the octant x, y, z >= 0 is made, with the
// symmetry planes x = 0, y = 0 and z = 0 that complete it: (n + 1)(n + 2) / 2 points and n^2
// triangles; the whole sphere has 4 n^2 + 2 points and 8 n^2 triangles.
Mesh OctantSphere(double radius, int n, bool wholeSphere);
// Adds a unit sphere around `centre` with `longitudes` points per ring and `latitudes` bands from
// pole to pole (even for the upper half, whose lowest ring lies exactly in the plane z = centre.z).
// Each band cell becomes a quadrilateral when `quadChooser` gives an even number, else two
// triangles (all triangles without a chooser). Returns the index of the north pole.
int AddLatitudeSphere(Mesh& mesh, int longitudes, int latitudes, bool upperHalfOnly,
                      std::mt19937* quadChooser, Vector3 centre = {0.0, 0.0, 0.0});

// ---- Small closed bodies ---------------------------------------------------------------------

// The unit cube, every face seen counter-clockwise from outside; split into two triangles per
// face when `triangles` is set.
Mesh Cube(bool triangles);
// The cube of edge length `edge` centred at the origin, every face split into m x m squares:
// 6 m^2 + 2 points.
Mesh CubeOfSquares(double edge, int m);
// A regular tetrahedron facing outward.
Mesh Tetrahedron();

// ---- Measuring points ------------------------------------------------------------------------

// `count` points on the arc of radius r in the x-z plane (x >= 0) from polar angle theta0 to
// theta1 (degrees, measured from the +z axis). A count of 1 gives the first end.
Mesh ArcPoints(double r, int count, double theta0, double theta1);
// `count` points on the straight line from a to b. A count of 1 gives a.
Mesh LinePoints(Vector3 a, Vector3 b, int count);

}  // namespace meshes
