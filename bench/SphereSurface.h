// Closed test surfaces built in memory: latitude-longitude spheres of triangles and
// quadrilaterals, facing outward, loaded into a CSurface as if read from a file. Shared by the
// preparation benchmark and the tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "surface/Surface.h"

namespace sphere {

struct Mesh {
    std::vector<Vector3> points;
    std::vector<SurfaceElement> elements;
    std::vector<Vector3> planePoints;
    std::vector<Vector3> planeNormals;
};

inline SurfaceElement Triangle(int a, int b, int c) {
    return {3, {static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                static_cast<std::uint16_t>(c), unusedNode}};
}

inline SurfaceElement Quadrilateral(int a, int b, int c, int d) {
    return {4, {static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(d)}};
}

// Adds a unit sphere around `centre` with `longitudes` points per ring and `latitudes` bands from
// pole to pole (even for the upper half, whose lowest ring lies exactly in the plane z = centre.z).
// Each band cell becomes a quadrilateral when `quadChooser` says so, else two triangles.
// Returns the index of the north pole.
inline int AddSphere(Mesh& mesh, int longitudes, int latitudes, bool upperHalfOnly,
                     std::mt19937* quadChooser, Vector3 centre = {0.0, 0.0, 0.0}) {
    const double pi = 4.0 * std::atan(1.0);
    const int base = static_cast<int>(mesh.points.size());
    const int firstRing = upperHalfOnly ? latitudes / 2 : 1;
    int south = -1;
    if (!upperHalfOnly) {
        south = base;
        mesh.points.push_back(centre + Vector3{0.0, 0.0, -1.0});
    }
    const int ringBase = static_cast<int>(mesh.points.size());
    for (int r = firstRing; r < latitudes; ++r) {
        const double theta = -pi / 2 + pi * r / latitudes;
        const double z = 2 * r == latitudes ? 0.0 : std::sin(theta);
        for (int i = 0; i < longitudes; ++i) {
            const double phi = 2 * pi * i / longitudes;
            mesh.points.push_back(
                centre + Vector3{std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi), z});
        }
    }
    const int north = static_cast<int>(mesh.points.size());
    mesh.points.push_back(centre + Vector3{0.0, 0.0, 1.0});
    const auto at = [&](int r, int i) { return ringBase + (r - firstRing) * longitudes + i % longitudes; };
    for (int i = 0; i < longitudes; ++i) {
        if (south >= 0) mesh.elements.push_back(Triangle(south, at(1, i + 1), at(1, i)));
        for (int r = firstRing; r + 1 < latitudes; ++r) {
            const int a = at(r, i), b = at(r, i + 1), c = at(r + 1, i + 1), d = at(r + 1, i);
            if (quadChooser != nullptr && (*quadChooser)() % 2 == 0) {
                mesh.elements.push_back(Quadrilateral(a, b, c, d));
            } else {
                mesh.elements.push_back(Triangle(a, b, c));
                mesh.elements.push_back(Triangle(a, c, d));
            }
        }
        mesh.elements.push_back(Triangle(north, at(latitudes - 1, i), at(latitudes - 1, i + 1)));
    }
    return north;
}

// Puts the mesh into a newly constructed surface, as ReadSurfaceFile would leave it.
inline void Load(CSurface& surface, const Mesh& mesh) {
    surface.pointCount = static_cast<int>(mesh.points.size());
    surface.points = mesh.points;
    surface.pointDirections.assign(mesh.points.size(), Vector3{0.0, 0.0, 0.0});
    surface.elementCount = static_cast<int>(mesh.elements.size());
    surface.elements = mesh.elements;
    surface.symmetryPlaneCount = static_cast<int>(mesh.planePoints.size());
    surface.planePoints = mesh.planePoints;
    surface.planeNormals = mesh.planeNormals;
}

}  // namespace sphere
