// Solid angles at surface points, and the fast adjacency and angle code checked against a direct
// transcription of their definitions on shuffled closed surfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>

#include "support/TestSupport.h"
#include "base/Constants.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

using meshes::Mesh;

int PrepareQuietly(CSurface& surface, const Mesh& mesh, int direction,
                   std::string* console = nullptr) {
    meshes::Load(surface, mesh);
    test::ConsoleCapture capture;
    const int status = surface.PrepareSurface(direction);
    if (console != nullptr) *console = capture.text;
    return status;
}

void ExpectAllAngles(const CSurface& surface, double expected) {
    ASSERT_EQ(static_cast<int>(surface.solidAngles.size()), surface.totalPointCount);
    for (const double angle : surface.solidAngles) EXPECT_NEAR(angle, expected, 1e-12);
}

TEST(SolidAngles, CubeCornersAreSevenHalfPiOutwardAndHalfPiInward) {
    for (const bool triangles : {false, true}) {
        CSurface outward{ConfigData{}};
        ASSERT_EQ(PrepareQuietly(outward, meshes::Cube(triangles), 1), 0);
        ExpectAllAngles(outward, 3.5 * pi);
        CSurface inward{ConfigData{}};
        ASSERT_EQ(PrepareQuietly(inward, meshes::Cube(triangles), 0), 0);
        ExpectAllAngles(inward, 0.5 * pi);
    }
}

TEST(SolidAngles, RegularTetrahedronCorners) {
    CSurface surface{ConfigData{}};
    ASSERT_EQ(PrepareQuietly(surface, meshes::Tetrahedron(), 1), 0);
    ExpectAllAngles(surface, 4 * pi - std::acos(23.0 / 27.0));
}

TEST(SolidAngles, EdgeAngleIsExactlyPiWhenRoundingPushesTheCosineAboveOne) {
    const Vector3 a{1.0 + 1e-15, 0, 0};
    EXPECT_EQ(CSurface::EdgeAngle({0, 1, 0}, a, a), pi);
    EXPECT_EQ(CSurface::EdgeAngle({0, 1, 0}, {0, 0, 1}, {0, 0, 1}), pi);
    // Perpendicular normals: the direction of the edge tells a fold from a notch.
    EXPECT_NEAR(CSurface::EdgeAngle({0, 1, 0}, {0, 0, 1}, {1, 0, 0}), 0.5 * pi, 1e-15);
    EXPECT_NEAR(CSurface::EdgeAngle({0, -1, 0}, {0, 0, 1}, {1, 0, 0}), 1.5 * pi, 1e-15);
}

TEST(SolidAngles, SurfacesTouchingAtOnePointAreSeparateAndClosed) {
    Mesh mesh = meshes::Tetrahedron();
    // A second tetrahedron, mirrored through point 0 so that it shares only that point.
    const Mesh second = meshes::Tetrahedron();
    for (int i = 1; i < 4; ++i) mesh.points.push_back(Vector3{2, 2, 2} - second.points[i]);
    for (SurfaceElement e : second.elements) {
        for (int k = 0; k < 3; ++k)
            e.nodes[k] = static_cast<SurfaceIndex>(e.nodes[k] == 0 ? 0 : e.nodes[k] + 3);
        mesh.elements.push_back(e);
    }
    CSurface surface{ConfigData{}};
    std::string console;
    ASSERT_EQ(PrepareQuietly(surface, mesh, 1, &console), 0) << console;
    EXPECT_EQ(surface.subBoundaryCount, 2);
    ExpectAllAngles(surface, 4 * pi - std::acos(23.0 / 27.0));
}

TEST(SolidAngles, TwoFansAtOnePointOfOneSubBoundaryAreNotClosed) {
    // A cube whose opposite corners 0 and 6 are pinched into one point.
    Mesh mesh = meshes::Cube(false);
    mesh.points.erase(mesh.points.begin() + 6);
    for (SurfaceElement& e : mesh.elements) {
        for (auto& node : e.nodes) {
            if (node == 6)
                node = 0;
            else if (node == 7)
                node = 6;
        }
    }
    CSurface surface{ConfigData{}};
    std::string console;
    EXPECT_EQ(PrepareQuietly(surface, mesh, 1, &console), -9);
    EXPECT_NE(console.find("Calculating spheric angles..." +
                           test::ErrorBlock("CSurface", "CalculateAngles", "Surface not closed!")),
              std::string::npos)
        << console;
}

TEST(SolidAngles, SubBoundaryWithUndefinedAnglesIsNotTurned) {
    // Two corners of the tetrahedron in one place: the elements between them have no normal.
    Mesh mesh = meshes::Tetrahedron();
    mesh.points[3] = mesh.points[0];
    for (const int direction : {0, 1}) {
        CSurface surface{ConfigData{}};
        ASSERT_EQ(PrepareQuietly(surface, mesh, direction), 0);
        EXPECT_TRUE(std::isnan(surface.solidAngles[0]));
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(surface.elements[j].nodes[0], mesh.elements[j].nodes[0]) << direction;
        }
    }
}

// Every pair of elements compared in index order, as the adjacency is defined.
std::vector<std::array<SurfaceIndex, 4>> ReferenceNeighbours(const CSurface& surface) {
    const int count = surface.totalElementCount;
    std::vector<std::array<SurfaceIndex, 4>> rows(count, {unusedNode, unusedNode, unusedNode, unusedNode});
    for (int a = 0; a < count; ++a) {
        int k = 0;
        const int c = surface.elements[a].nodeCount;
        for (int b = 0; b < count && k < c; ++b) {
            if (b != a &&
                CSurface::CompareOrientation(surface.elements[a], surface.elements[b]) != 0) {
                rows[a][k++] = static_cast<SurfaceIndex>(b);
            }
        }
        if (k < c) return {};
    }
    return rows;
}

// Every element of the sub-boundary scanned for every point, as the solid angle is defined.
std::vector<double> ReferenceAngles(const CSurface& s) {
    std::vector<double> angles(s.totalPointCount, -1.0);
    for (int b = 0; b < s.subBoundaryCount; ++b) {
        for (int pos = int(s.pointStarts[b]); pos < int(s.pointStarts[b + 1]); ++pos) {
            const int p = s.pointOrder[pos];
            std::vector<std::array<int, 3>> c;  // P, A, B
            for (int e = int(s.elementStarts[b]); e < int(s.elementStarts[b + 1]); ++e) {
                const SurfaceElement& el = s.elements[s.elementOrder[e]];
                const int n = el.nodeCount;
                for (int k = 0; k < n; ++k) {
                    if (int(el.nodes[k]) == p) {
                        c.push_back({p, int(el.nodes[(k + 1) % n]), int(el.nodes[(k + n - 1) % n])});
                        break;
                    }
                }
            }
            const int j = static_cast<int>(c.size());
            for (int k = 2; k <= j; ++k) {
                if (c[k - 2][2] == c[k - 1][1]) continue;
                int i = k;
                while (i < j && c[i][1] != c[k - 2][2]) ++i;
                if (i == j) return {};
                std::swap(c[k - 1], c[i]);
            }
            if (c[j - 1][2] != c[0][1]) return {};
            std::vector<Vector3> normal(j);
            for (int k = 0; k < j; ++k) {
                const Vector3 v =
                    Cross(s.points[c[k][1]] - s.points[p], s.points[c[k][2]] - s.points[p]);
                const double l = Length(v);
                normal[k] = {v.x / l, v.y / l, v.z / l};
            }
            double angle = (2 - j) * pi;
            for (int k = 0; k < j; ++k) {
                angle += CSurface::EdgeAngle(s.points[c[k][2]] - s.points[p], normal[k],
                                             normal[(k + 1) % j]);
            }
            angles[p] = angle;
        }
    }
    return angles;
}

// Spheres of mixed elements, renumbered, shuffled and partly turned over; with a symmetry plane
// the stored part is an upper half.
Mesh RandomSurface(std::mt19937& random, bool half, int spheres) {
    Mesh mesh;
    for (int s = 0; s < spheres; ++s) {
        const int longitudes = 3 + static_cast<int>(random() % 58);
        const int latitudes = 2 * (2 + static_cast<int>(random() % 8));
        meshes::AddLatitudeSphere(mesh, longitudes, latitudes, half, &random,
                                  Vector3{3.0 * s, 0, 0});
    }
    if (half) {
        mesh.planePoints = {{0, 0, 0}};
        mesh.planeNormals = {{0, 0, 1}};
    }
    std::vector<int> order(mesh.points.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    std::vector<Vector3> points(mesh.points.size());
    for (std::size_t i = 0; i < order.size(); ++i) points[order[i]] = mesh.points[i];
    mesh.points = points;
    for (SurfaceElement& e : mesh.elements) {
        for (int k = 0; k < e.nodeCount; ++k)
            e.nodes[k] = static_cast<SurfaceIndex>(order[e.nodes[k]]);
        if (random() % 3 == 0) CSurface::ReverseNodes(e);
    }
    std::shuffle(mesh.elements.begin(), mesh.elements.end(), random);
    return mesh;
}

TEST(SolidAngles, FastAdjacencyAndAnglesMatchTheDefinitionsOnShuffledSurfaces) {
    std::mt19937 random(2026);
    test::ConsoleCapture capture;
    for (int round = 0; round < 24; ++round) {
        const bool half = round % 2 == 1;
        const int spheres = 1 + round % 3;
        const Mesh mesh = RandomSurface(random, half, spheres);
        CSurface surface{ConfigData{}};
        meshes::Load(surface, mesh);
        ASSERT_EQ(surface.CheckElements(), 0);
        ASSERT_EQ(surface.Reflect(), 0);
        ASSERT_EQ(surface.BuildNeighbourMatrix(), 0);
        ASSERT_EQ(surface.neighbours, ReferenceNeighbours(surface)) << round;
        ASSERT_GE(surface.GetSubBoundaries(), 0);
        EXPECT_EQ(surface.subBoundaryCount, spheres);
        ASSERT_EQ(surface.CalculateAngles(), 0);
        ASSERT_EQ(surface.solidAngles, ReferenceAngles(surface)) << round;

        // The angles do not depend on the order of the elements or on their file orientation,
        // up to the rounding of the arc cosine near flat edges.
        Mesh reordered = mesh;
        std::shuffle(reordered.elements.begin(), reordered.elements.end(), random);
        for (SurfaceElement& e : reordered.elements) {
            if (random() % 2 == 0) CSurface::ReverseNodes(e);
        }
        CSurface other{ConfigData{}};
        meshes::Load(other, reordered);
        ASSERT_EQ(other.PrepareSurface(1), 0);
        surface.TurnSurface(1);
        for (int i = 0; i < surface.totalPointCount; ++i) {
            EXPECT_NEAR(other.solidAngles[i], surface.solidAngles[i], 1e-6);
        }
    }
    EXPECT_EQ(capture.Reports(), 0);
}

}  // namespace
