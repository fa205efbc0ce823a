// The sphere meshes of the tools: counts, closedness, orientation, and the octant's points on its
// symmetry planes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "meshes/Mesh.h"

namespace {

// Every directed edge of every element, counted. A closed, consistently oriented surface has each
// edge once in each direction.
std::map<std::pair<int, int>, int> DirectedEdges(const meshes::Mesh& m) {
    std::map<std::pair<int, int>, int> edges;
    for (const SurfaceElement& e : m.elements) {
        for (int i = 0; i < e.nodeCount; ++i) ++edges[{e.nodes[i], e.nodes[(i + 1) % e.nodeCount]}];
    }
    return edges;
}

void ExpectClosedAndConsistent(const meshes::Mesh& m) {
    const auto edges = DirectedEdges(m);
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1) << edge.first << "-" << edge.second;
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
    }
}

// The enclosed volume by the divergence theorem: positive when the elements face outward.
double EnclosedVolume(const meshes::Mesh& m) {
    double volume = 0.0;
    for (const SurfaceElement& e : m.elements) {
        const Vector3 p0 = m.points[e.nodes[0]];
        for (int i = 1; i + 1 < e.nodeCount; ++i) {
            volume += Dot(p0, Cross(m.points[e.nodes[i]], m.points[e.nodes[i + 1]])) / 6.0;
        }
    }
    return volume;
}

const double sphereVolume = 4.0 / 3.0 * 4.0 * std::atan(1.0);

}  // namespace

TEST(SphereMeshes, PointAndElementCountsFollowTheRefinement) {
    const int icoPoints[] = {12, 42, 162, 642, 2562, 10242};
    for (int level = 0; level <= 5; ++level) {
        const meshes::Mesh m = meshes::Icosphere(1.0, level);
        EXPECT_EQ(m.points.size(), static_cast<size_t>(icoPoints[level]));
        EXPECT_EQ(m.elements.size(), 2u * icoPoints[level] - 4u);
    }
    for (int m = 1; m <= 6; ++m) {
        const meshes::Mesh cube = meshes::CubedSphere(1.0, m);
        EXPECT_EQ(cube.points.size(), static_cast<size_t>(6 * m * m + 2));
        EXPECT_EQ(cube.elements.size(), static_cast<size_t>(6 * m * m));
        const meshes::Mesh octant = meshes::OctantSphere(1.0, m, false);
        EXPECT_EQ(octant.points.size(), static_cast<size_t>((m + 1) * (m + 2) / 2));
        EXPECT_EQ(octant.elements.size(), static_cast<size_t>(m * m));
        EXPECT_EQ(octant.planePoints.size(), 3u);
        const meshes::Mesh whole = meshes::OctantSphere(1.0, m, true);
        EXPECT_EQ(whole.points.size(), static_cast<size_t>(4 * m * m + 2));
        EXPECT_EQ(whole.elements.size(), static_cast<size_t>(8 * m * m));
        EXPECT_TRUE(whole.planePoints.empty());
    }
}

TEST(SphereMeshes, AreClosedFaceOutwardAndLieOnTheSphere) {
    const meshes::Mesh meshes[] = {meshes::Icosphere(2.0, 3), meshes::CubedSphere(2.0, 5),
                                   meshes::OctantSphere(2.0, 5, true)};
    for (const meshes::Mesh& m : meshes) {
        ExpectClosedAndConsistent(m);
        for (const Vector3& p : m.points) EXPECT_NEAR(Length(p), 2.0, 1e-14);
        for (const SurfaceElement& e : m.elements)
            EXPECT_GT(Dot(meshes::Normal(m, e), meshes::Centroid(m, e)), 0.0);
        // A polyhedron inscribed in the sphere: slightly less than the sphere's volume.
        const double volume = EnclosedVolume(m);
        EXPECT_LT(volume, 8.0 * sphereVolume);
        EXPECT_GT(volume, 0.9 * 8.0 * sphereVolume);
    }
}

TEST(SphereMeshes, QuadrilateralsOfTheCubedSphereAreNearlyFlatAndAlike) {
    const meshes::Mesh m = meshes::CubedSphere(1.0, 8);
    for (const SurfaceElement& e : m.elements) {
        ASSERT_EQ(e.nodeCount, 4);
        // The corner normals of a convex outward quadrilateral all point outward.
        for (int i = 0; i < 4; ++i) {
            const Vector3 p = m.points[e.nodes[i]];
            const Vector3 next = m.points[e.nodes[(i + 1) % 4]],
                          previous = m.points[e.nodes[(i + 3) % 4]];
            EXPECT_GT(Dot(Cross(next - p, previous - p), p), 0.0);
        }
    }
    EXPECT_LT(meshes::LongestEdge(m), 1.5 * 2.0 * std::atan(1.0) / 8.0);
}

TEST(SphereMeshes, OctantIsTheExactFirstOctantOfTheWholeSphere) {
    const meshes::Mesh octant = meshes::OctantSphere(1.5, 7, false);
    const meshes::Mesh whole = meshes::OctantSphere(1.5, 7, true);
    std::set<std::tuple<double, double, double>> octantPoints;
    for (const Vector3& p : octant.points) {
        EXPECT_GE(std::min({p.x, p.y, p.z}), 0.0);
        octantPoints.insert({p.x, p.y, p.z});
    }
    // Every point of the whole sphere is an exact mirror image of an octant point.
    for (const Vector3& p : whole.points) {
        EXPECT_EQ(octantPoints.count({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}), 1u);
    }
    // The octant's open edges are exactly the ones on the planes: both ends there, coordinate 0.
    const auto edges = DirectedEdges(octant);
    int openEdges = 0;
    for (const auto& [edge, count] : edges) {
        if (edges.count({edge.second, edge.first}) != 0) continue;
        ++openEdges;
        const Vector3 a = octant.points[edge.first], b = octant.points[edge.second];
        EXPECT_TRUE((a.x == 0.0 && b.x == 0.0) || (a.y == 0.0 && b.y == 0.0) ||
                    (a.z == 0.0 && b.z == 0.0));
    }
    EXPECT_EQ(openEdges, 3 * 7);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Length(octant.planePoints[k]), 0.0);
        EXPECT_EQ(Length(octant.planeNormals[k]), 1.0);
    }
}

TEST(SphereMeshes, MeasuringPointsRunFromEndToEnd) {
    const meshes::Mesh arc = meshes::ArcPoints(2.0, 5, 0.0, 180.0);
    ASSERT_EQ(arc.points.size(), 5u);
    EXPECT_NEAR(arc.points[0].z, 2.0, 1e-15);
    EXPECT_NEAR(arc.points[2].x, 2.0, 1e-15);
    EXPECT_NEAR(arc.points[4].z, -2.0, 1e-15);
    for (const Vector3& p : arc.points) EXPECT_EQ(p.y, 0.0);
    const meshes::Mesh line = meshes::LinePoints({1, 0, 0}, {5, 0, 0}, 3);
    ASSERT_EQ(line.points.size(), 3u);
    EXPECT_EQ(line.points[1].x, 3.0);
    EXPECT_EQ(line.points[2].x, 5.0);
    EXPECT_EQ(meshes::LinePoints({1, 2, 3}, {5, 0, 0}, 1).points[0].z, 3.0);
}
