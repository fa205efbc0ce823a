// Regions of elements and the per-point excitation derived from BOUNDARY conditions.
#include <gtest/gtest.h>

#include "fileio/ExcitationType.h"
#include "support/TestSupport.h"
#include "fileio/FileIO.h"
#include "frequency/Boundary.h"
#include "sweep/SweepSupport.h"
#include "meshes/Mesh.h"

namespace {

// The regions text that puts the elements above z = 0.7 (the cap) into "piston".
std::string PistonRegions(const meshes::Mesh& m) {
    std::string text = "% regions\n";
    for (const SurfaceElement& e : m.elements)
        text += meshes::Centroid(m, e).z > 0.7 ? "piston\n" : "wall\n";
    return text;
}

BoundaryCondition Condition(const std::string& region, char letter, Complex value, int line = 1) {
    return BoundaryCondition{region, ExcitationTypeOfLetter(letter), value, line};
}

TEST(RegionsFile, ReadsOneNamePerElementAndRefusesBadLines) {
    test::ConsoleCapture capture;
    RegionMap regions;
    ASSERT_EQ(ReadRegionsText("% comment\nwall\n  cone \n\nwall\n", "r.txt", regions), 0);
    EXPECT_EQ(regions.names, (std::vector<std::string>{"wall", "cone"}));
    EXPECT_EQ(regions.elementRegion, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(regions.Find("cone"), 1);
    EXPECT_EQ(regions.Find("port"), -1);

    EXPECT_EQ(ReadRegionsText("wall\ntwo words\n", "r.txt", regions), -6);
    EXPECT_NE(capture.text.find("r.txt line 2: a region name is one word"), std::string::npos);
    EXPECT_TRUE(regions.names.empty());
    EXPECT_EQ(ReadRegionsText("% only comments\n", "r.txt", regions), -6);
    EXPECT_EQ(ReadRegionsText(std::string(600, 'a') + "\n", "r.txt", regions), -6);
    EXPECT_EQ(ReadRegionsFile("/nonexistent/regions.txt", regions), -3);
}

TEST(BoundaryConditions, APistonKeepsItsVolumeVelocityAcrossItsRim) {
    const meshes::Mesh m = meshes::Icosphere(1.0, 2);
    const sweeptest::Elements s = sweeptest::FromMesh(m);
    RegionMap regions;
    test::ConsoleCapture capture;
    ASSERT_EQ(ReadRegionsText(PistonRegions(m), "r.txt", regions), 0);
    const Complex piston{1.0, 0.5};
    const std::vector<BoundaryCondition> conditions = {Condition("ALL", 'V', {0.0, 0.0}),
                                                       Condition("piston", 'V', piston)};
    PointExcitation excitation;
    ASSERT_EQ(DeriveExcitation(s.points.data(), static_cast<int>(s.points.size()),
                               s.elements.data(), static_cast<int>(s.elements.size()), &regions,
                               conditions, "job.txt", excitation),
              0)
        << capture.text;

    // The volume velocity as the elements carry it: each node holds area / node count.
    Complex flux{0.0, 0.0};
    double pistonArea = 0.0;
    int rimPoints = 0;
    for (std::size_t e = 0; e < s.elements.size(); ++e) {
        const double area = ElementArea(s.points.data(), s.elements[e]);
        if (regions.elementRegion[e] == regions.Find("piston")) pistonArea += area;
        for (int j = 0; j < 3; ++j) {
            const Complex v = excitation.values[s.elements[e].nodes[j]];
            flux += Complex{v.re * area / 3.0, v.im * area / 3.0};
        }
    }
    for (const Complex& v : excitation.values) rimPoints += v.re > 0.0 && v.re < 1.0;
    EXPECT_GT(rimPoints, 0);
    EXPECT_NEAR(flux.re, pistonArea * piston.re, 1e-14);
    EXPECT_NEAR(flux.im, pistonArea * piston.im, 1e-14);
    for (std::int16_t type : excitation.types) EXPECT_EQ(type, givenVelocity);
}

TEST(BoundaryConditions, PressureBeatsImpedanceBeatsAdmittanceBeatsVelocity) {
    // Four triangles around point 0, one per type; each pair of neighbours shares one more point.
    const std::vector<Vector3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    const std::vector<SurfaceElement> elements = {{3, {0, 1, 2, unusedNode}},
                                                  {3, {0, 2, 3, unusedNode}},
                                                  {3, {0, 3, 4, unusedNode}},
                                                  {3, {0, 4, 1, unusedNode}}};
    RegionMap regions;
    test::ConsoleCapture capture;
    ASSERT_EQ(ReadRegionsText("p\nz\ny\nv\n", "r.txt", regions), 0);
    const std::vector<BoundaryCondition> conditions = {
        Condition("p", 'P', {1, 0}), Condition("z", 'Z', {2, 0}), Condition("y", 'Y', {3, 0}),
        Condition("v", 'V', {4, 0})};
    PointExcitation x;
    ASSERT_EQ(
        DeriveExcitation(points.data(), 5, elements.data(), 4, &regions, conditions, "job.txt", x),
        0);
    const std::vector<std::int16_t> types = {givenPressure, givenPressure, givenPressure,
                                             givenImpedance, givenAdmittance};
    EXPECT_EQ(x.types, types);
    EXPECT_EQ(x.values[0].re, 1.0);
    EXPECT_EQ(x.values[3].re, 2.0);  // between z and y
    EXPECT_EQ(x.values[4].re, 3.0);  // between y and v
}

TEST(BoundaryConditions, UnknownRegionsAndElementsWithoutConditionAreErrors) {
    const meshes::Mesh m = meshes::Icosphere(1.0, 1);
    const sweeptest::Elements s = sweeptest::FromMesh(m);
    RegionMap regions;
    test::ConsoleCapture capture;
    ASSERT_EQ(ReadRegionsText(PistonRegions(m), "r.txt", regions), 0);
    PointExcitation x;
    const auto derive = [&](const std::vector<BoundaryCondition>& conditions, const RegionMap* r) {
        return DeriveExcitation(s.points.data(), static_cast<int>(s.points.size()),
                                s.elements.data(), static_cast<int>(s.elements.size()), r,
                                conditions, "job.txt", x);
    };
    EXPECT_EQ(derive({Condition("ALL", 'V', {0, 0}), Condition("port", 'V', {1, 0}, 7)}, &regions),
              -5);
    EXPECT_NE(capture.text.find("job.txt line 7, BOUNDARY: no element is in region 'port'"),
              std::string::npos);
    EXPECT_EQ(derive({Condition("piston", 'V', {1, 0})}, &regions), -5);
    EXPECT_NE(capture.text.find("region 'wall' has no boundary condition"), std::string::npos);
    RegionMap tooFew = regions;
    tooFew.elementRegion.pop_back();
    EXPECT_EQ(derive({Condition("ALL", 'V', {1, 0})}, &tooFew), -5);
    EXPECT_EQ(derive({Condition("ALL", 'V', {1, 0})}, nullptr), 0);
    EXPECT_EQ(x.values.size(), m.points.size());
}

}  // namespace
