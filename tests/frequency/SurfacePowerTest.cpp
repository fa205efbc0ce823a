// The radiated power of a surface solution: the integral exact for the shape functions of both
// element kinds, mirror images counted, and the power of the pulsating and the oscillating
// sphere against the exact values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sweep/SweepSupport.h"
#include "generator/Generator.h"
#include "frequency/FrequencySolver.h"
#include "sweep/JobFile.h"
#include "frequency/SurfacePower.h"
#include "frequency/Model.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double rho = 1.2;
constexpr double c = 343.0;

using Field = Complex (*)(Vector3 x);

// The power of fields p and v given at the file points of the mesh, prepared facing outward.
double PowerOfFields(const meshes::Mesh& mesh, Field p, Field v) {
    CSurface surface(ConfigData{});
    meshes::Load(surface, mesh);
    EXPECT_EQ(surface.PrepareSurface(1), 0);
    CGenerator generator(surface.config);
    EXPECT_EQ(generator.Init(surface), 0);
    std::vector<Complex> pressures, velocities;
    for (int i = 0; i < surface.pointCount; ++i) {
        pressures.push_back(p(surface.points[static_cast<std::size_t>(i)]));
        velocities.push_back(v(surface.points[static_cast<std::size_t>(i)]));
    }
    return RadiatedPower(generator, pressures.data(), velocities.data());
}

TEST(SurfacePower, IsExactForLinearFieldsOnTrianglesAndQuadrilaterals) {
    // On the unit cube, 1/2 Re of the surface integral of ((1 + x) + jz)((2 - y) + jx)*, that is
    // of (1 + x)(2 - y) + xz: 1.5 + 3.5 + 3.25 + 1.75 + 2.25 + 2.75 = 15 over the six faces.
    const Field p = [](Vector3 x) { return Complex{1.0 + x.x, x.z}; };
    const Field v = [](Vector3 x) { return Complex{2.0 - x.y, x.x}; };
    EXPECT_NEAR(PowerOfFields(meshes::Cube(true), p, v), 7.5, 1e-13);
    EXPECT_NEAR(PowerOfFields(meshes::Cube(false), p, v), 7.5, 1e-13);
}

TEST(SurfacePower, CountsTheMirrorImagesOfAStoredPart) {
    const Field p = [](Vector3 x) { return Complex{1.0 + x.x * x.x, x.y * x.y}; };
    const Field v = [](Vector3 x) { return Complex{0.5 + x.z * x.z, -x.x * x.x}; };
    const double whole = PowerOfFields(meshes::OctantSphere(1.0, 4, true), p, v);
    const double octant = PowerOfFields(meshes::OctantSphere(1.0, 4, false), p, v);
    EXPECT_GT(whole, 1.0);
    EXPECT_NEAR(octant, whole, 1e-12 * whole);
}

// The power of the sphere of radius 1 m pulsating with v = 1 m/s, and oscillating along z with
// U = 1 m/s (normal velocity U cos theta), at ka.
double PulsatingPower(double ka) { return 2.0 * pi * rho * c * ka * ka / (1.0 + ka * ka); }
double OscillatingPower(double ka) {
    const double k4 = ka * ka * ka * ka;
    return 2.0 * pi / 3.0 * rho * c * k4 / (4.0 + k4);
}

// Solves the job's sphere at ka and returns the radiated power.
double SolvedPower(const test::TempDir& dir, const std::string& job, double ka) {
    SweepJob parsed;
    CJobFile reader;
    EXPECT_EQ(reader.ReadText(job, dir.File("job.txt"), parsed), 0);
    Model model;
    EXPECT_EQ(PrepareModel(parsed, model), 0);
    FrequencyOptions options;
    options.threads = 2;
    FrequencyResult result;
    EXPECT_EQ(CFrequencySolver().Solve(model, ka * c / (2.0 * pi), options, result), 0);
    return RadiatedPower(*model.generator, result.pressures.data(), result.velocities.data());
}

// On the 642-point sphere; the error is that of the inscribed polyhedron, whose area is 0.48 %
// below the sphere's, and falls with the square of the element size (a quarter of it on the
// 2562-point sphere). Measured: pulsating -0.83 %, -0.61 %, -0.21 %; oscillating -2.5 %,
// -2.3 %, -1.4 % at ka = 0.5, 1, 2.
TEST(SurfacePower, PulsatingAndOscillatingSpheresRadiateTheExactPower) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 3);
    test::ChangeDir inside(dir.Path());
    const meshes::Mesh m = meshes::Icosphere(1.0, 3);
    std::string excitation = std::to_string(m.points.size()) + "\n";
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        excitation += std::to_string(i) + " V " +
                      std::to_string(m.points[i].z / Length(m.points[i])) + " 0\n";
    }
    test::WriteFile(dir.File("cosine.xct"), excitation);
    const std::string medium = "DENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE sphere.srf\n"
                               "CHIEF OFF\nOUTPUT out\nFREQUENCIES 100\n";
    const double pulsatingBound[] = {0.011, 0.008, 0.003};
    const double oscillatingBound[] = {0.03, 0.03, 0.018};
    const double kas[] = {0.5, 1.0, 2.0};
    for (int i = 0; i < 3; ++i) {
        const double pulsating = SolvedPower(dir, medium + "BOUNDARY ALL V 1 0\n", kas[i]);
        EXPECT_NEAR(pulsating / PulsatingPower(kas[i]), 1.0, pulsatingBound[i]) << kas[i];
        const double oscillating = SolvedPower(dir, medium + "EXCITATION cosine.xct\n", kas[i]);
        EXPECT_NEAR(oscillating / OscillatingPower(kas[i]), 1.0, oscillatingBound[i]) << kas[i];
    }
}

}  // namespace
