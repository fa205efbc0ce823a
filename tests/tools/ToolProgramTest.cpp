// The helper programs run as a user runs them: the files they write, and their refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "support/TestSupport.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "tools/SphereField.h"
#include "tools/SphereScattering.h"
#include "tools/ToolSupport.h"

namespace {

std::string Tool(const std::string& name) { return std::string(KAVORAL_TOOLS_DIR) + "/" + name; }

}  // namespace

TEST(ToolPrograms, WriteSurfacesThatReadBackWithFullPrecision) {
    test::TempDir dir;
    const auto run = test::RunProgram(Tool("octantsphere"), dir.Path(), {"2", "3", "octant.srf"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("10 points, 9 elements, 3 symmetry planes"), std::string::npos)
        << run.output;
    std::vector<Vector3> points;
    ASSERT_EQ(tool::ReadPoints(dir.File("octant.srf"), points), "");
    const meshes::Mesh expected = meshes::OctantSphere(2.0, 3, false);
    ASSERT_EQ(points.size(), expected.points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x, expected.points[i].x);
        EXPECT_EQ(points[i].z, expected.points[i].z);
    }
    const std::string text = test::ReadFile(dir.File("octant.srf"));
    EXPECT_NE(text.find("\n9\n0\t3\t"), std::string::npos);
    EXPECT_NE(text.find("\n3\n0\t0 0 0\t1 0 0\n1\t0 0 0\t0 1 0\n2\t0 0 0\t0 0 1\n"),
              std::string::npos);
}

TEST(ToolPrograms, FilesReadBackThroughTheProgramsReaders) {
    test::TempDir dir;
    ASSERT_EQ(test::RunProgram(Tool("cubesphere"), dir.Path(), {"1.5", "2", "cube.srf"}).status, 0);
    ASSERT_EQ(test::RunProgram(Tool("octantsphere"), dir.Path(), {"1", "2", "octant.srf"}).status,
              0);
    ASSERT_EQ(
        test::RunProgram(Tool("excitation"), dir.Path(), {"cosine", "cube.srf", "0.5", "cube.xct"})
            .status,
        0);
    test::ConsoleCapture capture;
    CSurface cube{ConfigData{}};
    ASSERT_EQ(cube.ReadSurfaceFile(dir.File("cube.srf").c_str()), 0);
    const meshes::Mesh expected = meshes::CubedSphere(1.5, 2);
    ASSERT_EQ(cube.pointCount, static_cast<int>(expected.points.size()));
    ASSERT_EQ(cube.elementCount, static_cast<int>(expected.elements.size()));
    for (int j = 0; j < cube.elementCount; ++j) {
        EXPECT_EQ(cube.elements[j].nodeCount, 4);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(cube.elements[j].nodes[k], expected.elements[j].nodes[k]);
    }
    CSurface octant{ConfigData{}};
    ASSERT_EQ(octant.ReadSurfaceFile(dir.File("octant.srf").c_str()), 0);
    ASSERT_EQ(octant.symmetryPlaneCount, 3);
    EXPECT_EQ(octant.planeNormals[2].z, 1.0);
    EXPECT_EQ(Length(octant.planePoints[1]), 0.0);

    CFileIO io;
    int count = 0;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
    ASSERT_EQ(io.ReadExcitationFile(dir.File("cube.xct").c_str(), count, values, types), 0);
    ASSERT_EQ(count, cube.pointCount);
    for (int i = 0; i < count; ++i) {
        const Vector3 x = cube.points[i];
        EXPECT_EQ(types[i], givenVelocity);
        EXPECT_EQ(values[i].re, 0.5 * (x.z / Length(x))) << i;
        EXPECT_EQ(values[i].im, 0.0);
    }
    EXPECT_EQ(capture.Reports(), 0);
}

TEST(ToolPrograms, RefuseBadArgumentsAndWriteNothing) {
    test::TempDir dir;
    EXPECT_EQ(test::RunProgram(Tool("icosphere"), dir.Path(), {"1", "7", "a.srf"}).status, 2);
    EXPECT_EQ(test::RunProgram(Tool("icosphere"), dir.Path(), {"-1", "2", "a.srf"}).status, 2);
    EXPECT_EQ(test::RunProgram(Tool("cubesphere"), dir.Path(), {"1", "2x", "a.srf"}).status, 2);
    EXPECT_EQ(
        test::RunProgram(Tool("fieldpoints"), dir.Path(), {"arc", "1", "0", "0", "90", "a.srf"})
            .status,
        2);
    EXPECT_FALSE(test::FileExists(dir.File("a.srf")));
    EXPECT_EQ(
        test::RunProgram(Tool("excitation"), dir.Path(), {"uniform", "missing.srf", "1", "a.xct"})
            .status,
        1);
    EXPECT_FALSE(test::FileExists(dir.File("a.xct")));
}

TEST(ToolPrograms, CosineExcitationFollowsThePolarAngleOfEachPoint) {
    test::TempDir dir;
    ASSERT_EQ(
        test::RunProgram(Tool("fieldpoints"), dir.Path(), {"arc", "3", "4", "0", "180", "p.ms"})
            .status,
        0);
    ASSERT_EQ(
        test::RunProgram(Tool("excitation"), dir.Path(), {"cosine", "p.ms", "2", "v.xct"}).status,
        0);
    const std::string text = test::ReadFile(dir.File("v.xct"));
    EXPECT_EQ(text.substr(text.find('\n') + 1, 9), "4\n0\tV\t2 0");
    double second = 0.0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("\n1\tV\t") + 5, "%lf", &second), 1);
    EXPECT_NEAR(second, 1.0, 1e-15);
    EXPECT_NE(text.find("\n3\tV\t-2 0\n"), std::string::npos) << text;
}

TEST(ToolPrograms, SphereTableShowsNoErrorForExactPressuresAndRejectsMismatchedFiles) {
    test::TempDir dir;
    ASSERT_EQ(
        test::RunProgram(Tool("fieldpoints"), dir.Path(), {"arc", "1", "3", "0", "90", "s.ms"})
            .status,
        0);
    std::vector<Vector3> points;
    ASSERT_EQ(tool::ReadPoints(dir.File("s.ms"), points), "");
    std::string result = "% Result File\n3\n";
    for (size_t i = 0; i < points.size(); ++i) {
        const Complex p =
            sphere::Pressure(sphere::Motion::oscillating, 1.2, 343, 1.0, 2.0, 1.0, points[i]);
        result += std::to_string(i) + "\t" + tool::Number(p.re) + " " + tool::Number(p.im) +
                  "\t0.0 0.0\n";
    }
    test::WriteFile(dir.File("s.res"), result);
    auto run = test::RunProgram(
        Tool("spheretable"), dir.Path(),
        {"oscillating", "1", "2", "1.2", "343", "1", "s.ms", "s.res", "s.ms", "s.res"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Surface error: max 0.000e+00"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Field error: max 0.000e+00"), std::string::npos) << run.output;

    test::WriteFile(dir.File("short.res"), "2\n0\t1 0\t0 0\n1\t1 0\t0 0\n");
    run = test::RunProgram(Tool("spheretable"), dir.Path(),
                           {"pulsating", "1", "2", "1.2", "343", "1", "s.ms", "short.res"});
    EXPECT_EQ(run.status, 1);
}

TEST(ToolPrograms, ScatteringTableShowsNoErrorForTheExactSeriesAndWritesThePlotData) {
    test::TempDir dir;
    ASSERT_EQ(
        test::RunProgram(Tool("fieldpoints"), dir.Path(), {"arc", "1", "5", "0", "180", "s.ms"})
            .status,
        0);
    std::vector<Vector3> points;
    ASSERT_EQ(tool::ReadPoints(dir.File("s.ms"), points), "");
    // f = 54.59 Hz in c = 343 m/s is ka = 1 on the sphere of 1 m; the wave travels along -x.
    const double f = 343.0 / (8.0 * std::atan(1.0));
    std::string result = "% Result File\n5\n";
    for (size_t i = 0; i < points.size(); ++i) {
        const Complex p = scattering::SpherePlaneWave(1.0, 1.0, {0.0, 0.0}, {2.0, 0.0},
                                                      {-1.0, 0.0, 0.0}, points[i]);
        result += std::to_string(i) + "\t" + tool::Number(p.re) + " " + tool::Number(p.im) +
                  "\t0.0 0.0\n";
    }
    test::WriteFile(dir.File("s.res"), result);
    const std::vector<std::string> arguments = {"1", tool::Number(f), "343",  "2", "0", "-3", "0",
                                                "0", "s.ms",          "s.res"};
    std::vector<std::string> withCsv = arguments;
    withCsv.insert(withCsv.end(), {"points.csv", "curve.csv"});
    auto run = test::RunProgram(Tool("scatteringtable"), dir.Path(), withCsv);
    ASSERT_EQ(run.status, 0) << run.output;
    double l2 = 1.0;
    ASSERT_EQ(
        std::sscanf(run.output.c_str() + run.output.find("relative L2 error ") + 18, "%lf", &l2), 1)
        << run.output;
    EXPECT_LT(l2, 1e-5) << run.output;  // the six digits of the result file
    EXPECT_NE(run.output.find("ka = 1,"), std::string::npos) << run.output;
    // The arc runs from +z over +x to -z: the point on +x faces the arriving wave (180 degrees).
    const std::string csv = test::ReadFile(dir.File("points.csv"));
    EXPECT_EQ(csv.rfind("theta_deg,abs_p,phase_deg,abs_exact,phase_exact_deg\n90,", 0), 0u) << csv;
    EXPECT_NE(csv.find("\n180,"), std::string::npos) << csv;
    const std::string curve = test::ReadFile(dir.File("curve.csv"));
    EXPECT_EQ(std::count(curve.begin(), curve.end(), '\n'), 182);

    test::WriteFile(dir.File("short.res"), "2\n0\t1 0\t0 0\n1\t1 0\t0 0\n");
    std::vector<std::string> mismatched = arguments;
    mismatched.back() = "short.res";
    EXPECT_EQ(test::RunProgram(Tool("scatteringtable"), dir.Path(), mismatched).status, 1);
    std::vector<std::string> noDirection = arguments;
    noDirection[5] = "0";
    EXPECT_EQ(test::RunProgram(Tool("scatteringtable"), dir.Path(), noDirection).status, 2);
}
