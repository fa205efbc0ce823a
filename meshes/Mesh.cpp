#include "meshes/Mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>

namespace meshes {

namespace {

// Points are made once per lattice key, so that neighbouring faces share their edge points.
template <typename Key>
class PointIndex {
public:
    explicit PointIndex(Mesh& target) : mesh(target) {}
    int Get(const Key& key, Vector3 position) {
        auto found = indices.find(key);
        if (found != indices.end()) return found->second;
        const int index = static_cast<int>(mesh.points.size());
        mesh.points.push_back(position);
        indices.emplace(key, index);
        return index;
    }

private:
    Mesh& mesh;
    std::map<Key, int> indices;
};

Vector3 Scaled(Vector3 v, double radius) { return v * (radius / Length(v)); }

// Adds an element, its nodes reversed where needed so that it faces away from the origin.
void AddOutward(Mesh& m, SurfaceElement e) {
    if (Dot(Normal(m, e), Centroid(m, e)) < 0.0) std::reverse(e.nodes, e.nodes + e.nodeCount);
    m.elements.push_back(e);
}

}  // namespace

SurfaceElement Triangle(int a, int b, int c) {
    return {3,
            {static_cast<SurfaceIndex>(a), static_cast<SurfaceIndex>(b),
             static_cast<SurfaceIndex>(c), unusedNode}};
}

SurfaceElement Quadrilateral(int a, int b, int c, int d) {
    return {4,
            {static_cast<SurfaceIndex>(a), static_cast<SurfaceIndex>(b),
             static_cast<SurfaceIndex>(c), static_cast<SurfaceIndex>(d)}};
}

Vector3 Normal(const Mesh& m, const SurfaceElement& e) {
    const Vector3 p0 = m.points[e.nodes[0]], p1 = m.points[e.nodes[1]], p2 = m.points[e.nodes[2]];
    return Cross(p2 - p1, p0 - p1);
}

Vector3 Centroid(const Mesh& m, const SurfaceElement& e) {
    Vector3 sum{0.0, 0.0, 0.0};
    for (int i = 0; i < e.nodeCount; ++i) sum = sum + m.points[e.nodes[i]];
    return sum * (1.0 / e.nodeCount);
}

double LongestEdge(const Mesh& m) {
    double longest = 0.0;
    for (const SurfaceElement& e : m.elements) {
        for (int i = 0; i < e.nodeCount; ++i) {
            const Vector3 a = m.points[e.nodes[i]], b = m.points[e.nodes[(i + 1) % e.nodeCount]];
            longest = std::max(longest, Length(b - a));
        }
    }
    return longest;
}

void Load(CSurface& surface, const Mesh& mesh) {
    surface.pointCount = static_cast<int>(mesh.points.size());
    surface.points = mesh.points;
    surface.pointDirections.assign(mesh.points.size(), Vector3{0.0, 0.0, 0.0});
    surface.elementCount = static_cast<int>(mesh.elements.size());
    surface.elements = mesh.elements;
    surface.symmetryPlaneCount = static_cast<int>(mesh.planePoints.size());
    surface.planePoints = mesh.planePoints;
    surface.planeNormals = mesh.planeNormals;
}

bool FitsTheProgram(const Mesh& mesh) { return FitsWithin(mesh, surfaceIndexLimit); }

bool FitsWithin(const Mesh& mesh, int limit) {
    const std::size_t planes = mesh.planePoints.size();
    if (planes > 16) return false;
    const long long factor = 1LL << planes;
    return static_cast<long long>(mesh.points.size()) * factor <= limit &&
           static_cast<long long>(mesh.elements.size()) * factor <= limit;
}

bool WriteSurface(const Mesh& mesh, const std::string& fileName, const std::string& title) {
    CSurface surface{ConfigData{}};
    Load(surface, mesh);
    SurfaceFileStyle style;
    style.title = title.c_str();
    style.fullPrecision = true;
    return surface.WriteSurfaceFile(fileName.c_str(), style) == 0;
}

Mesh Icosphere(double radius, int level) {
    Mesh m;
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const Vector3 corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                 {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                 {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (const Vector3& c : corners) m.points.push_back(Scaled(c, radius));
    std::vector<std::array<int, 3>> faces = {
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int l = 0; l < level; ++l) {
        PointIndex<std::pair<int, int>> middles(m);
        auto middle = [&](int a, int b) {
            return middles.Get({std::min(a, b), std::max(a, b)},
                               Scaled(m.points[a] + m.points[b], radius));
        };
        std::vector<std::array<int, 3>> finer;
        finer.reserve(faces.size() * 4);
        for (const auto& f : faces) {
            const int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
            finer.push_back({f[0], ab, ca});
            finer.push_back({f[1], bc, ab});
            finer.push_back({f[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        faces.swap(finer);
    }
    for (const auto& f : faces) AddOutward(m, Triangle(f[0], f[1], f[2]));
    return m;
}

namespace {

// The six faces of a cube split into m x m quadrilaterals each, facing away from the origin; the
// lattice point (i, j, k), each coordinate in -m..m in steps of 2, is placed by `place`.
template <typename Place>
Mesh CubeLattice(int m, Place place) {
    Mesh mesh;
    PointIndex<std::tuple<int, int, int>> index(mesh);
    auto point = [&](int i, int j, int k) { return index.Get({i, j, k}, place(i, j, k)); };
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = -1; side <= 1; side += 2) {
            auto lattice = [&](int u, int v) {  // u, v in 0..m across the face
                int c[3];
                c[axis] = side * m;
                c[(axis + 1) % 3] = 2 * u - m;
                c[(axis + 2) % 3] = 2 * v - m;
                return point(c[0], c[1], c[2]);
            };
            for (int u = 0; u < m; ++u) {
                for (int v = 0; v < m; ++v) {
                    AddOutward(mesh, Quadrilateral(lattice(u, v), lattice(u + 1, v),
                                                   lattice(u + 1, v + 1), lattice(u, v + 1)));
                }
            }
        }
    }
    return mesh;
}

}  // namespace

Mesh CubedSphere(double radius, int m) {
    const double quarter = std::atan(1.0);
    return CubeLattice(m, [&](int i, int j, int k) {
        const Vector3 cube{std::tan(quarter * i / m), std::tan(quarter * j / m),
                           std::tan(quarter * k / m)};
        return Scaled(cube, radius);
    });
}

Mesh CubeOfSquares(double edge, int m) {
    const double step = edge / (2.0 * m);
    return CubeLattice(m, [&](int i, int j, int k) {
        return Vector3{i * step, j * step, k * step};
    });
}

Mesh OctantSphere(double radius, int n, bool wholeSphere) {
    Mesh mesh;
    PointIndex<std::tuple<int, int, int>> index(mesh);
    auto point = [&](int i, int j, int k) {  // |i| + |j| + |k| = n
        return index.Get({i, j, k}, Scaled(Vector3{double(i), double(j), double(k)}, radius));
    };
    const int octants = wholeSphere ? 8 : 1;
    for (int o = 0; o < octants; ++o) {
        const int sx = (o & 1) ? -1 : 1, sy = (o & 2) ? -1 : 1, sz = (o & 4) ? -1 : 1;
        auto lattice = [&](int i, int j) { return point(sx * (n - i - j), sy * i, sz * j); };
        for (int i = 0; i < n; ++i) {
            for (int j = 0; i + j < n; ++j) {
                AddOutward(mesh, Triangle(lattice(i, j), lattice(i + 1, j), lattice(i, j + 1)));
                if (i + j + 2 <= n) {
                    AddOutward(mesh, Triangle(lattice(i + 1, j), lattice(i + 1, j + 1),
                                              lattice(i, j + 1)));
                }
            }
        }
    }
    if (!wholeSphere) {
        const Vector3 origin{0.0, 0.0, 0.0};
        mesh.planePoints = {origin, origin, origin};
        mesh.planeNormals = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    }
    return mesh;
}

int AddLatitudeSphere(Mesh& mesh, int longitudes, int latitudes, bool upperHalfOnly,
                      std::mt19937* quadChooser, Vector3 centre) {
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
            mesh.points.push_back(centre + Vector3{std::cos(theta) * std::cos(phi),
                                                   std::cos(theta) * std::sin(phi), z});
        }
    }
    const int north = static_cast<int>(mesh.points.size());
    mesh.points.push_back(centre + Vector3{0.0, 0.0, 1.0});
    const auto at = [&](int r, int i) {
        return ringBase + (r - firstRing) * longitudes + i % longitudes;
    };
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

Mesh Cube(bool triangles) {
    Mesh mesh;
    for (int i = 0; i < 8; ++i) {
        const int bottom = i % 4;
        mesh.points.push_back({(bottom == 1 || bottom == 2) ? 1.0 : 0.0, bottom >= 2 ? 1.0 : 0.0,
                               i >= 4 ? 1.0 : 0.0});
    }
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& f : faces) {
        if (triangles) {
            mesh.elements.push_back(Triangle(f[0], f[1], f[2]));
            mesh.elements.push_back(Triangle(f[0], f[2], f[3]));
        } else {
            mesh.elements.push_back(Quadrilateral(f[0], f[1], f[2], f[3]));
        }
    }
    return mesh;
}

Mesh Tetrahedron() {
    Mesh mesh;
    mesh.points = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
    mesh.elements = {Triangle(0, 1, 2), Triangle(0, 3, 1), Triangle(0, 2, 3), Triangle(1, 3, 2)};
    return mesh;
}

Mesh ArcPoints(double r, int count, double theta0, double theta1) {
    Mesh m;
    const double degree = std::atan(1.0) / 45.0;
    for (int i = 0; i < count; ++i) {
        const double theta =
            (count == 1 ? theta0 : theta0 + (theta1 - theta0) * i / (count - 1)) * degree;
        m.points.push_back({r * std::sin(theta), 0.0, r * std::cos(theta)});
    }
    return m;
}

Mesh LinePoints(Vector3 a, Vector3 b, int count) {
    Mesh m;
    for (int i = 0; i < count; ++i) {
        const double s = count == 1 ? 0.0 : double(i) / (count - 1);
        m.points.push_back(a + (b - a) * s);
    }
    return m;
}

}  // namespace meshes
