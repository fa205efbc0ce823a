// The choice of points inside a body: inside by the solid angle, away from the surface, the same
// points every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/Constants.h"
#include "frequency/InteriorPoints.h"
#include "sweep/SweepSupport.h"
#include "meshes/Mesh.h"

namespace {

SurfaceGeometry View(const sweeptest::Elements& g) {
    return {g.points.data(), g.elements.data(), static_cast<int>(g.elements.size())};
}

TEST(InteriorPoints, SolidAngleIsFullInsideAndZeroOutsideForTrianglesAndQuadrilaterals) {
    for (const meshes::Mesh& m : {meshes::Icosphere(1.0, 2), meshes::CubedSphere(1.0, 3)}) {
        const sweeptest::Elements g = sweeptest::FromMesh(m);
        EXPECT_NEAR(std::fabs(interior::SolidAngle(View(g), {0.1, -0.2, 0.3})), 4.0 * pi, 1e-9);
        EXPECT_NEAR(interior::SolidAngle(View(g), {1.5, 0.2, 0.0}), 0.0, 1e-9);
        // The facets lie inside the sphere: the centre is a little nearer to them.
        EXPECT_NEAR(interior::Distance(View(g), {0.0, 0.0, 0.0}), 0.96, 0.04);
        EXPECT_NEAR(interior::Distance(View(g), {0.0, 0.0, 3.0}), 2.04, 0.041);
        EXPECT_NEAR(interior::Distance(View(g), m.points[5] * 1.5), 0.5, 1e-12);
    }
}

TEST(InteriorPoints, ChosenPointsAreInsideDeepAndDeterministic) {
    const meshes::Mesh m = meshes::Icosphere(2.0, 3);
    const sweeptest::Elements g = sweeptest::FromMesh(m);
    InteriorPoints first;
    ASSERT_EQ(interior::Choose(View(g), 10, 12, 12, first), 22);
    ASSERT_EQ(first.check.size(), 10u);
    ASSERT_EQ(first.chief.size(), 12u);
    EXPECT_GT(first.largestDepth, 1.7);
    for (const std::vector<Vector3>* set : {&first.check, &first.chief}) {
        for (const Vector3& x : *set) EXPECT_LE(Length(x), 2.0 - first.depthLimit + 1e-9);
    }
    InteriorPoints again;
    interior::Choose(View(g), 10, 12, 12, again);
    EXPECT_EQ(again.chief.back().x, first.chief.back().x);
    EXPECT_EQ(again.check.front().z, first.check.front().z);

    // A pool of 300 begins with the same points and spreads beyond the deep ones, down to two
    // edges from the surface, each point once.
    InteriorPoints pool;
    ASSERT_EQ(interior::Choose(View(g), 10, 12, 300, pool), 310);
    ASSERT_EQ(pool.chief.size(), 300u);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(pool.chief[i].y, first.chief[i].y) << i;
    const double edge = meshes::LongestEdge(m);
    double farthest = 0.0;
    for (std::size_t i = 0; i < pool.chief.size(); ++i) {
        EXPECT_GE(interior::Distance(View(g), pool.chief[i]), 2.0 * edge - 1e-12) << i;
        farthest = std::max(farthest, Length(pool.chief[i]));
        for (std::size_t j = 0; j < i; ++j) EXPECT_GT(Length(pool.chief[i] - pool.chief[j]), 0.0);
    }
    EXPECT_GT(farthest, 2.0 - first.depthLimit + 0.2);  // 1.34, the deep ones 1.09
}

TEST(InteriorPoints, AFlatBodyHasNoRoom) {
    // A slab 10 x 10 x 0.1 of two squares split in triangles per face: its edges are far longer
    // than its thickness.
    meshes::Mesh slab;
    for (int i = 0; i < 8; ++i) {
        slab.points.push_back({(i & 1) ? 5.0 : -5.0, (i & 2) ? 5.0 : -5.0, (i & 4) ? 0.05 : -0.05});
    }
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        SurfaceElement e = meshes::Quadrilateral(f[0], f[1], f[2], f[3]);
        // Each face must look away from the centre, the origin.
        if (Dot(meshes::Normal(slab, e), meshes::Centroid(slab, e)) < 0.0) {
            e = meshes::Quadrilateral(f[3], f[2], f[1], f[0]);
        }
        slab.elements.push_back(e);
    }
    const sweeptest::Elements g = sweeptest::FromMesh(slab);
    InteriorPoints found;
    EXPECT_EQ(interior::Choose(View(g), 10, 0, 0, found), 0);
    EXPECT_TRUE(found.check.empty());
}

}  // namespace
