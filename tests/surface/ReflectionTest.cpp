// The element check and the completion of a surface from its symmetry planes.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

using meshes::Mesh;

void ExpectVector(Vector3 actual, Vector3 expected) {
    EXPECT_DOUBLE_EQ(actual.x, expected.x);
    EXPECT_DOUBLE_EQ(actual.y, expected.y);
    EXPECT_DOUBLE_EQ(actual.z, expected.z);
}

void ExpectNodes(const SurfaceElement& element, std::initializer_list<int> nodes) {
    ASSERT_EQ(element.nodeCount, static_cast<int>(nodes.size()));
    int k = 0;
    for (const int node : nodes) EXPECT_EQ(element.nodes[k++], node);
    if (element.nodeCount == 3) {
        EXPECT_EQ(element.nodes[3], unusedNode);
    }
}

TEST(Reflection, PointsOnThePlaneAreSharedWithTheImage) {
    Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    mesh.elements = {meshes::Triangle(0, 1, 2)};
    mesh.planePoints = {{0, 0, 0}};
    mesh.planeNormals = {{0, 0, 3}};
    CSurface surface{ConfigData{}};
    meshes::Load(surface, mesh);
    ASSERT_EQ(surface.Reflect(), 0);
    EXPECT_EQ(surface.totalPointCount, 4);
    EXPECT_EQ(surface.totalElementCount, 2);
    ExpectVector(surface.points[3], {0, 0, -1});
    EXPECT_EQ(surface.sourcePointIndex[3], 2);
    ExpectNodes(surface.elements[0], {0, 1, 2});
    ExpectNodes(surface.elements[1], {3, 1, 0});
}

TEST(Reflection, PointAtExactlyPointEpsIsOnThePlaneAndJustAboveIsMirrored) {
    Mesh mesh;
    mesh.points = {{0, 0, 0.25}, {1, 0, 0.2500001}};
    mesh.planePoints = {{5, 5, 0}};
    mesh.planeNormals = {{0, 0, 1}};
    ConfigData config;
    config.pointEps = 0.25;
    CSurface surface{config};
    meshes::Load(surface, mesh);
    ASSERT_EQ(surface.Reflect(), 0);
    EXPECT_EQ(surface.totalPointCount, 3);
    EXPECT_EQ(surface.sourcePointIndex[2], 1);
}

TEST(Reflection, DirectionsAreMirroredAsVectorsAndPointsInThePlane) {
    Mesh mesh;
    mesh.points = {{0, 0, 6}};
    mesh.planePoints = {{0, 0, 5}};
    mesh.planeNormals = {{0, 0, 1}};
    CSurface surface{ConfigData{}};
    meshes::Load(surface, mesh);
    surface.pointDirections[0] = {0, 0, 1};
    ASSERT_EQ(surface.Reflect(), 0);
    ExpectVector(surface.points[1], {0, 0, 4});
    ExpectVector(surface.pointDirections[1], {0, 0, -1});
}

TEST(Reflection, TwoPlanesMirrorTheImagesOfTheFirstPlaneAsWell) {
    Mesh mesh;
    mesh.points = {{1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}};
    mesh.elements = {meshes::Quadrilateral(0, 1, 2, 3)};
    mesh.planePoints = {{0, 0, 0}, {0, 0, 0}};
    mesh.planeNormals = {{1, 0, 0}, {0, 2, 0}};
    CSurface surface{ConfigData{}};
    meshes::Load(surface, mesh);
    ASSERT_EQ(surface.Reflect(), 0);
    EXPECT_EQ(surface.totalPointCount, 16);
    ASSERT_EQ(surface.totalElementCount, 4);
    // First plane: images 4 to 7 of points 0 to 3; second plane: 8 to 15 of points 0 to 7.
    ExpectVector(surface.points[5], {-2, 1, 0});
    ExpectVector(surface.points[13], {-2, -1, 0});
    EXPECT_EQ(surface.sourcePointIndex[13], 1);
    EXPECT_EQ(surface.sourcePointIndex[15], 3);
    ExpectNodes(surface.elements[1], {7, 6, 5, 4});
    ExpectNodes(surface.elements[2], {11, 10, 9, 8});
    ExpectNodes(surface.elements[3], {12, 13, 14, 15});
}

TEST(Reflection, WithoutPlanesTheSurfaceStaysAndSourceIndexIsIdentity) {
    CSurface surface{ConfigData{}};
    meshes::Load(surface, meshes::Cube(false));
    ASSERT_EQ(surface.Reflect(), 0);
    EXPECT_EQ(surface.totalPointCount, 8);
    EXPECT_EQ(surface.totalElementCount, 6);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(surface.sourcePointIndex[i], i);
    ExpectNodes(surface.elements[5], {3, 0, 4, 7});
}

TEST(Reflection, TotalsBeyondSixteenBitIndicesAreRejectedBeforeOverflow) {
    struct Case {
        int points;
        int elements;
        int planes;
        const char* comment;
    };
    for (const Case c : {Case{3, 40000, 1, "number of elements after reflection"},
                         Case{3, 1, 17, "number of elements after reflection"},
                         Case{40000, 1, 1, "number of points after reflection"},
                         Case{9000, 1, 3, "number of points after reflection"}}) {
        Mesh mesh;
        for (int i = 0; i < c.points; ++i) mesh.points.push_back({1.0 + i, 2.0 + i, 3.0 + i});
        mesh.elements.assign(c.elements, meshes::Triangle(0, 1, 2));
        for (int k = 0; k < c.planes; ++k) {
            mesh.planePoints.push_back({0, 0, 0});
            mesh.planeNormals.push_back(
                {k % 3 == 0 ? 1.0 : 0.0, k % 3 == 1 ? 1.0 : 0.0, k % 3 == 2 ? 1.0 : 0.0});
        }
        CSurface surface{ConfigData{}};
        meshes::Load(surface, mesh);
        test::ConsoleCapture capture;
        EXPECT_EQ(surface.Reflect(), -5) << c.comment;
        EXPECT_EQ(capture.text, test::ErrorBlock("CSurface", "Reflect", "Invalid data", c.comment));
    }
    // The largest surface that fits: 65535 points after one plane.
    Mesh mesh;
    for (int i = 0; i < 32768; ++i) mesh.points.push_back({1.0 + i, 0, 0});
    mesh.points[0].x = 0.0;
    mesh.planePoints = {{0, 0, 0}};
    mesh.planeNormals = {{1, 0, 0}};
    CSurface surface{ConfigData{}};
    meshes::Load(surface, mesh);
    ASSERT_EQ(surface.Reflect(), 0);
    EXPECT_EQ(surface.totalPointCount, 65535);
}

}  // namespace
