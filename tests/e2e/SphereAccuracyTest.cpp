// Accuracy of the whole pipeline against the exact sound fields of a sphere of radius 1 m:
// -ch, -ms, -xs, -mm and -xm run as a user runs them, on meshes small enough for seconds.
// The bounds are the errors measured on these meshes with a margin of about a factor two.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "meshes/Mesh.h"
#include "tools/SphereField.h"
#include "tools/ToolSupport.h"

namespace {

const double density = 1.2, soundVelocity = 343.0, radius = 1.0;

struct Pressures {
    std::vector<Vector3> points;
    std::vector<Complex> values;
};

struct SphereRun {
    Pressures surface;
    Pressures field;
};

std::string Frequency(double ka) {
    return tool::Number(ka * soundVelocity / (2.0 * 4.0 * std::atan(1.0) * radius));
}

// The configuration of these runs: the first DIVISION value above the longest element edge.
void WriteSetup(const test::TempDir& dir, const std::string& division) {
    test::WriteFile(dir.File("Kavoral.cfg"),
                    "% sphere accuracy\nDENSITY 1.2\nSOUND_VELOCITY 343 0\n"
                    "DIVISION " +
                        division + "\nMATRIX_FILE BINARY\n");
    test::CopyGaussFile(dir.Path());
}

void WriteExcitation(const test::TempDir& dir, const meshes::Mesh& m, sphere::Motion motion) {
    std::string text = std::to_string(m.points.size()) + "\n";
    for (size_t i = 0; i < m.points.size(); ++i) {
        const Vector3 x = m.points[i];
        const double v = motion == sphere::Motion::pulsating ? 1.0 : x.z / Length(x);
        text += std::to_string(i) + " V " + tool::Number(v) + " 0\n";
    }
    test::WriteFile(dir.File("excitation.xct"), text);
}

void Run(const test::TempDir& dir, const std::vector<std::string>& arguments) {
    const test::RunResult run = test::RunKavoral(dir.Path(), arguments);
    ASSERT_EQ(run.status, 0) << arguments[0] << "\n" << run.output;
}

void Load(const test::TempDir& dir, const std::string& points, const std::string& results,
          Pressures& into) {
    ASSERT_EQ(tool::ReadPoints(dir.File(points), into.points), "");
    ASSERT_EQ(tool::ReadPressures(dir.File(results), into.values), "");
    ASSERT_EQ(into.points.size(), into.values.size());
}

// Solves the sphere's radiation at ka for the motion; field points are measured when given.
SphereRun Solve(const meshes::Mesh& surface, sphere::Motion motion, double ka,
                const std::string& division, const meshes::Mesh* field = nullptr) {
    test::TempDir dir;
    SphereRun run;
    WriteSetup(dir, division);
    EXPECT_TRUE(meshes::WriteSurface(surface, dir.File("sphere.srf"), "sphere"));
    WriteExcitation(dir, surface, motion);
    const std::string f = Frequency(ka);
    Run(dir, {"-ch", "sphere.srf", "OUT", "checked.srf"});
    Run(dir, {"-ms", f, "checked.srf", "OUT", "surface.mtx"});
    Run(dir, {"-xs", "surface.mtx", "excitation.xct", "surface.res"});
    Load(dir, "checked.srf", "surface.res", run.surface);
    if (field != nullptr) {
        EXPECT_TRUE(meshes::WriteSurface(*field, dir.File("field.ms"), "field points"));
        Run(dir, {"-mm", f, "checked.srf", "OUT", "field.ms", "field.mtx"});
        Run(dir, {"-xm", "field.mtx", "surface.res", "field.res"});
        Load(dir, "field.ms", "field.res", run.field);
    }
    return run;
}

double MaxError(const Pressures& p, sphere::Motion motion, double ka) {
    double largest = 0.0;
    const double k = ka / radius;
    for (size_t i = 0; i < p.points.size(); ++i) {
        const Complex exact =
            sphere::Pressure(motion, density, soundVelocity, radius, k, 1.0, p.points[i]);
        const double scale =
            sphere::PressureScale(motion, density, soundVelocity, radius, k, 1.0, p.points[i]);
        largest = std::max(largest, Abs(p.values[i] - exact) / scale);
    }
    return p.points.empty() ? 1.0 : largest;
}

}  // namespace

TEST(SphereAccuracy, PulsatingSphereMatchesTheExactPressureOnTheSurfaceAndInTheField) {
    const meshes::Mesh sphere = meshes::Icosphere(radius, 2);  // 162 points, longest edge 0.325
    const meshes::Mesh field =
        meshes::LinePoints({0.5, 1.0, 1.0}, {2.0, 4.0, 4.0}, 4);  // r = 1.5 to 6
    const SphereRun run = Solve(sphere, sphere::Motion::pulsating, 1.0, "0.65 1.95", &field);
    EXPECT_LT(MaxError(run.surface, sphere::Motion::pulsating, 1.0), 1.2e-2);  // measured 0.61 %
    EXPECT_LT(MaxError(run.field, sphere::Motion::pulsating, 1.0), 2.5e-2);    // measured 1.24 %
}

TEST(SphereAccuracy, OscillatingSphereMatchesTheExactPressureOnTheSurfaceAndInTheField) {
    const meshes::Mesh sphere = meshes::Icosphere(radius, 2);
    const meshes::Mesh field = meshes::ArcPoints(2.0, 5, 0.0, 180.0);
    const SphereRun run = Solve(sphere, sphere::Motion::oscillating, 1.0, "0.65 1.95", &field);
    EXPECT_LT(MaxError(run.surface, sphere::Motion::oscillating, 1.0), 6.5e-2);  // measured 3.2 %
    EXPECT_LT(MaxError(run.field, sphere::Motion::oscillating, 1.0), 9e-2);      // measured 4.4 %
}

TEST(SphereAccuracy, QuadrilateralSphereMatchesTheExactPressure) {
    const meshes::Mesh sphere = meshes::CubedSphere(radius, 5);  // 152 points, 150 quadrilaterals
    const SphereRun run = Solve(sphere, sphere::Motion::pulsating, 1.0, "0.7 2.1");
    EXPECT_LT(MaxError(run.surface, sphere::Motion::pulsating, 1.0), 1.2e-2);  // measured 0.58 %
}

TEST(SphereAccuracy, OctantWithThreeSymmetryPlanesGivesTheSurfacePressuresOfTheWholeSphere) {
    // Every element gets the finest rule, so that the two runs integrate alike whatever the node
    // order of the mirrored elements.
    const int n = 4;
    const SphereRun octant =
        Solve(meshes::OctantSphere(radius, n, false), sphere::Motion::pulsating, 1.0, "5 5");
    const SphereRun whole =
        Solve(meshes::OctantSphere(radius, n, true), sphere::Motion::pulsating, 1.0, "5 5");
    ASSERT_EQ(octant.surface.points.size(), static_cast<size_t>((n + 1) * (n + 2) / 2));
    ASSERT_EQ(whole.surface.points.size(), static_cast<size_t>(4 * n * n + 2));
    for (size_t i = 0; i < whole.surface.points.size(); ++i) {
        const Vector3 w = whole.surface.points[i];
        const Vector3 mirrored{std::fabs(w.x), std::fabs(w.y), std::fabs(w.z)};
        size_t j = 0;
        while (j < octant.surface.points.size() &&
               Length(octant.surface.points[j] - mirrored) > 1e-9)
            ++j;
        ASSERT_LT(j, octant.surface.points.size()) << "no octant point for whole point " << i;
        const Complex a = octant.surface.values[j], b = whole.surface.values[i];
        EXPECT_LT(Abs(a - b), 2e-5 * Abs(b)) << "point " << i;  // the result files keep six digits
    }
    // And both are close to the exact pressure.
    EXPECT_LT(MaxError(octant.surface, sphere::Motion::pulsating, 1.0), 3.5e-2);  // measured 1.8 %
}
