// Closed surface meshes of a sphere for the mesh tools and the accuracy tests: an icosphere, a
// cubed sphere of quadrilaterals and a sphere built from octahedron octants, whose first octant
// can stand alone with the three coordinate planes as symmetry planes. Every element is oriented
// outward (its nodes run counter-clockwise seen from outside) and every direction vector is 0 0 0.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "base/File.h"
#include "fileio/NumberFormat.h"
#include "base/Vector3.h"

namespace mesh {

// The largest point and element counts a surface can hold after reflection.
constexpr long indexLimit = 65535;

struct Element {
    int nodeCount;              // 3 or 4
    std::array<int, 4> nodes;   // the fourth is unused for a triangle
};

struct Plane {
    Vector3 point;
    Vector3 normal;
};

struct Mesh {
    std::vector<Vector3> points;
    std::vector<Element> elements;
    std::vector<Plane> planes;
};

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

inline Vector3 Scaled(Vector3 v, double radius) { return v * (radius / Length(v)); }

inline Vector3 Centroid(const Mesh& m, const Element& e) {
    Vector3 sum{0.0, 0.0, 0.0};
    for (int i = 0; i < e.nodeCount; ++i) sum = sum + m.points[e.nodes[i]];
    return sum * (1.0 / e.nodeCount);
}

// The normal by the node order: (P2 - P1) x (P0 - P1), the cross product at node 1.
inline Vector3 Normal(const Mesh& m, const Element& e) {
    const Vector3 p0 = m.points[e.nodes[0]], p1 = m.points[e.nodes[1]], p2 = m.points[e.nodes[2]];
    return Cross(p2 - p1, p0 - p1);
}

// Adds an element, its nodes reversed where needed so that it faces away from the origin.
inline void AddOutward(Mesh& m, Element e) {
    if (Dot(Normal(m, e), Centroid(m, e)) < 0.0) std::reverse(e.nodes.begin(), e.nodes.begin() + e.nodeCount);
    m.elements.push_back(e);
}

// Icosahedron refined `level` times by halving every edge, points pushed out onto the sphere:
// 10 * 4^level + 2 points and 20 * 4^level triangles.
inline Mesh Icosphere(double radius, int level) {
    Mesh m;
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const Vector3 corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                 {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                 {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (const Vector3& c : corners) m.points.push_back(Scaled(c, radius));
    std::vector<std::array<int, 3>> faces = {
        {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
        {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
    for (int l = 0; l < level; ++l) {
        PointIndex<std::pair<int, int>> middles(m);
        auto middle = [&](int a, int b) {
            return middles.Get({std::min(a, b), std::max(a, b)}, Scaled(m.points[a] + m.points[b], radius));
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
    for (const auto& f : faces) AddOutward(m, {3, {f[0], f[1], f[2], 0}});
    return m;
}

// The six faces of a cube split into m x m quadrilaterals each, facing away from the origin; the
// lattice point (i, j, k), each coordinate in -m..m in steps of 2, is placed by `place`:
// 6 m^2 + 2 points.
template <typename Place>
inline Mesh CubeLattice(int m, Place place) {
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
                    AddOutward(mesh, {4, {lattice(u, v), lattice(u + 1, v), lattice(u + 1, v + 1), lattice(u, v + 1)}});
                }
            }
        }
    }
    return mesh;
}

// Cube of 6 m^2 quadrilaterals mapped onto the sphere with equal angles along every cube edge
// (the gnomonic map), which keeps the elements close to one size: 6 m^2 + 2 points.
inline Mesh CubedSphere(double radius, int m) {
    const double quarter = std::atan(1.0);
    return CubeLattice(m, [&](int i, int j, int k) {
        const Vector3 cube{std::tan(quarter * i / m), std::tan(quarter * j / m), std::tan(quarter * k / m)};
        return Scaled(cube, radius);
    });
}

// The cube of edge length `edge` centred at the origin, every face split into m x m squares.
inline Mesh Cube(double edge, int m) {
    const double step = edge / (2.0 * m);
    return CubeLattice(m, [&](int i, int j, int k) { return Vector3{i * step, j * step, k * step}; });
}

// Octahedron faces split into n^2 triangles each, points pushed out onto the sphere. Points on
// the coordinate planes have that coordinate exactly 0, and the eight octants are exact mirror
// images of each other. With `wholeSphere` false only the octant x, y, z >= 0 is made, with the
// symmetry planes x = 0, y = 0 and z = 0 that complete it: (n + 1)(n + 2) / 2 points and n^2
// triangles; the whole sphere has 4 n^2 + 2 points and 8 n^2 triangles.
inline Mesh OctantSphere(double radius, int n, bool wholeSphere) {
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
                AddOutward(mesh, {3, {lattice(i, j), lattice(i + 1, j), lattice(i, j + 1), 0}});
                if (i + j + 2 <= n) {
                    AddOutward(mesh, {3, {lattice(i + 1, j), lattice(i + 1, j + 1), lattice(i, j + 1), 0}});
                }
            }
        }
    }
    if (!wholeSphere) {
        const Vector3 origin{0.0, 0.0, 0.0};
        mesh.planes = {{origin, {1.0, 0.0, 0.0}}, {origin, {0.0, 1.0, 0.0}}, {origin, {0.0, 0.0, 1.0}}};
    }
    return mesh;
}

inline double LongestEdge(const Mesh& m) {
    double longest = 0.0;
    for (const Element& e : m.elements) {
        for (int i = 0; i < e.nodeCount; ++i) {
            const Vector3 a = m.points[e.nodes[i]], b = m.points[e.nodes[(i + 1) % e.nodeCount]];
            longest = std::max(longest, Length(b - a));
        }
    }
    return longest;
}

// The counts after the reflection in the symmetry planes, as the program will see them.
inline long ReflectedElementCount(const Mesh& m) {
    return static_cast<long>(m.elements.size()) << m.planes.size();
}

inline std::string Number(double value) {
    char text[numberTextSize];
    FormatRoundTrip(value, text);
    return text;
}

inline void PutVector(std::FILE* file, Vector3 v) {
    std::fprintf(file, "%s %s %s", Number(v.x).c_str(), Number(v.y).c_str(), Number(v.z).c_str());
}

// Writes the mesh in the surface file format, coordinates to full precision. A mesh without
// elements is a measuring points file. Returns false when the file could not be written.
inline bool WriteSurface(const Mesh& m, const std::string& fileName, const std::string& title) {
    UniqueFile file = OpenFile(fileName.c_str(), "wt");
    if (!file) return false;
    std::FILE* f = file.get();
    std::fprintf(f, "%% %s\n%zu\n", title.c_str(), m.points.size());
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        std::fprintf(f, "%zu\t", i);
        PutVector(f, m.points[i]);
        std::fprintf(f, "\t0 0 0\n");
    }
    std::fprintf(f, "%zu\n", m.elements.size());
    for (std::size_t j = 0; j < m.elements.size(); ++j) {
        const Element& e = m.elements[j];
        std::fprintf(f, "%zu\t%d\t", j, e.nodeCount);
        for (int i = 0; i < e.nodeCount; ++i) std::fprintf(f, i == 0 ? "%d" : " %d", e.nodes[i]);
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "%zu\n", m.planes.size());
    for (std::size_t k = 0; k < m.planes.size(); ++k) {
        std::fprintf(f, "%zu\t", k);
        PutVector(f, m.planes[k].point);
        std::fprintf(f, "\t");
        PutVector(f, m.planes[k].normal);
        std::fprintf(f, "\n");
    }
    return CloseWritten(file);
}

// Measuring points: `count` points on the arc of radius r in the x-z plane (x >= 0) from polar
// angle theta0 to theta1 (degrees, measured from the +z axis), or on the straight line from a
// to b. A count of 1 gives the first end.
inline Mesh ArcPoints(double r, int count, double theta0, double theta1) {
    Mesh m;
    const double degree = std::atan(1.0) / 45.0;
    for (int i = 0; i < count; ++i) {
        const double theta = (count == 1 ? theta0 : theta0 + (theta1 - theta0) * i / (count - 1)) * degree;
        m.points.push_back({r * std::sin(theta), 0.0, r * std::cos(theta)});
    }
    return m;
}

inline Mesh LinePoints(Vector3 a, Vector3 b, int count) {
    Mesh m;
    for (int i = 0; i < count; ++i) {
        const double s = count == 1 ? 0.0 : double(i) / (count - 1);
        m.points.push_back(a + (b - a) * s);
    }
    return m;
}

}  // namespace mesh

namespace mesh {

// The common end of the mesh tools: refuses a mesh the program could not hold, writes the file and
// prints one line with the counts and the longest element edge (the first DIVISION value of the
// configuration should lie above it). Returns the process exit status.
inline int SaveAndDescribe(const Mesh& m, const std::string& fileName, const std::string& title) {
    const long pointTotal = static_cast<long>(m.points.size()) << m.planes.size();
    if (pointTotal > indexLimit || ReflectedElementCount(m) > indexLimit) {
        std::fprintf(stderr, "error: the surface would exceed %ld points or elements\n", indexLimit);
        return 2;
    }
    if (!WriteSurface(m, fileName, title)) {
        std::fprintf(stderr, "error: cannot write %s\n", fileName.c_str());
        return 1;
    }
    if (m.elements.empty()) {
        std::printf("%s: %zu points\n", fileName.c_str(), m.points.size());
    } else {
        std::printf("%s: %zu points, %zu elements, %zu symmetry planes, longest edge %s\n", fileName.c_str(),
                    m.points.size(), m.elements.size(), m.planes.size(), Number(LongestEdge(m)).c_str());
    }
    return 0;
}

}  // namespace mesh
