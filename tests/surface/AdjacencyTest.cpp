// Edge adjacency, closedness, sub-boundaries and consistent orientation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "support/TestSupport.h"
#include "base/Constants.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

using meshes::Mesh;

// Runs the steps up to the sub-boundaries; the status of the first failure or their result.
int WalkSurface(CSurface& surface, const Mesh& mesh, std::string* console = nullptr) {
    meshes::Load(surface, mesh);
    test::ConsoleCapture capture;
    int status = surface.CheckElements();
    if (status >= 0) status = surface.Reflect();
    if (status >= 0) status = surface.BuildNeighbourMatrix();
    if (status >= 0) status = surface.GetSubBoundaries();
    if (console != nullptr) *console = capture.text;
    return status;
}

std::string Block(const char* function, const char* message) {
    return test::ErrorBlock("CSurface", function, message);
}

TEST(Adjacency, CompareOrientationTellsSharedEdgeDirection) {
    const auto t = meshes::Triangle;
    EXPECT_EQ(CSurface::CompareOrientation(t(0, 1, 2), t(1, 0, 3)), 1);
    EXPECT_EQ(CSurface::CompareOrientation(t(0, 1, 2), t(0, 1, 3)), -1);
    EXPECT_EQ(CSurface::CompareOrientation(t(0, 1, 2), t(2, 3, 4)), 0);
    EXPECT_EQ(CSurface::CompareOrientation(meshes::Quadrilateral(0, 1, 2, 3), t(3, 0, 7)), -1);
    EXPECT_EQ(CSurface::CompareOrientation(meshes::Quadrilateral(0, 1, 2, 3), t(0, 3, 7)), 1);
}

TEST(Adjacency, TetrahedronFlipCountsFollowElementZero) {
    struct Case {
        int reversed;
        int flipped;
    };
    for (const Case c : {Case{-1, 0}, Case{2, 1}, Case{0, 3}}) {
        Mesh mesh = meshes::Tetrahedron();
        if (c.reversed >= 0) CSurface::ReverseNodes(mesh.elements[c.reversed]);
        CSurface surface{ConfigData{}};
        EXPECT_EQ(WalkSurface(surface, mesh), c.flipped) << c.reversed;
        EXPECT_EQ(surface.subBoundaryCount, 1);
        for (int b = 1; b < 4; ++b) {
            EXPECT_EQ(CSurface::CompareOrientation(surface.elements[0], surface.elements[b]), 1);
        }
        // Element 0 keeps its file orientation.
        EXPECT_EQ(surface.elements[0].nodes[0], mesh.elements[0].nodes[0]);
    }
}

TEST(Adjacency, NeighbourRowsListEdgeNeighboursInAscendingOrder) {
    CSurface surface{ConfigData{}};
    meshes::Load(surface, meshes::Cube(false));
    ASSERT_EQ(surface.Reflect(), 0);
    ASSERT_EQ(surface.BuildNeighbourMatrix(), 0);
    const std::array<SurfaceIndex, 4> bottom{2, 3, 4, 5};
    const std::array<SurfaceIndex, 4> front{0, 1, 3, 5};
    EXPECT_EQ(surface.neighbours[0], bottom);
    EXPECT_EQ(surface.neighbours[2], front);
}

TEST(Adjacency, OpenSurfacesAreNotClosed) {
    Mesh single;
    single.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    single.elements = {meshes::Triangle(0, 1, 2)};
    Mesh hole = meshes::Cube(true);
    hole.elements.erase(hole.elements.begin() + 4);
    for (const Mesh& mesh : {single, hole}) {
        CSurface surface{ConfigData{}};
        std::string console;
        EXPECT_EQ(WalkSurface(surface, mesh, &console), -9);
        EXPECT_EQ(console, Block("BuildNeighbourMatrix", "Surface not closed!"));
        EXPECT_TRUE(surface.neighbours.empty() ||
                    surface.neighbours.size() == mesh.elements.size());
    }
}

TEST(Adjacency, ProjectivePlaneCannotBeOrientedConsistently) {
    Mesh mesh;
    for (int i = 0; i < 6; ++i) mesh.points.push_back({1.0 * i, 1.0 * i * i, 0});
    const int faces[10][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 1},
                              {1, 2, 4}, {2, 3, 5}, {3, 4, 1}, {4, 5, 2}, {5, 1, 3}};
    for (const auto& f : faces) mesh.elements.push_back(meshes::Triangle(f[0], f[1], f[2]));
    CSurface surface{ConfigData{}};
    std::string console;
    EXPECT_EQ(WalkSurface(surface, mesh, &console), -8);
    EXPECT_EQ(console, Block("GetSubBoundaries", "Surface cannot be rectificated!"));
}

TEST(Adjacency, PointOfNoElementIsASinglePointAlsoAfterReflection) {
    Mesh mesh = meshes::Cube(false);
    mesh.points.push_back({5, 5, 5});
    mesh.planePoints = {{-1, 0, 0}};
    mesh.planeNormals = {{1, 0, 0}};
    CSurface surface{ConfigData{}};
    std::string console;
    EXPECT_EQ(WalkSurface(surface, mesh, &console), -10);
    EXPECT_EQ(surface.totalPointCount, 18);
    EXPECT_EQ(console, Block("GetSubBoundaries", "The surface contains single points!"));

    Mesh lonely;
    lonely.points = {{0, 0, 0}};
    CSurface single{ConfigData{}};
    EXPECT_EQ(WalkSurface(single, lonely), -10);
}

TEST(Adjacency, SeparateSurfacesAreSeparateSubBoundariesBeyondNinetyNine) {
    Mesh mesh;
    for (int copy = 0; copy < 120; ++copy) {
        const Mesh tetrahedron = meshes::Tetrahedron();
        const int base = static_cast<int>(mesh.points.size());
        for (Vector3 p : tetrahedron.points) mesh.points.push_back(p + Vector3{3.0 * copy, 0, 0});
        for (SurfaceElement e : tetrahedron.elements) {
            for (int k = 0; k < 3; ++k) e.nodes[k] = static_cast<SurfaceIndex>(e.nodes[k] + base);
            mesh.elements.push_back(e);
        }
    }
    CSurface surface{ConfigData{}};
    ASSERT_EQ(WalkSurface(surface, mesh), 0);
    ASSERT_EQ(surface.subBoundaryCount, 120);
    ASSERT_EQ(surface.elementStarts.size(), 121u);
    ASSERT_EQ(surface.pointStarts.size(), 121u);
    for (int s = 0; s <= 120; ++s) {
        EXPECT_EQ(surface.elementStarts[s], 4 * s);
        EXPECT_EQ(surface.pointStarts[s], 4 * s);
    }
    test::ConsoleCapture capture;
    ASSERT_EQ(surface.CalculateAngles(), 0);
    EXPECT_DOUBLE_EQ(surface.solidAngles[479], 4 * pi - std::acos(23.0 / 27.0));
}

}  // namespace
