// The compressed solve against the dense one on small surfaces: the same unknowns within the
// compression tolerance for every kind of excitation, field values from the compressed matrix
// within it too, and the same bits for every thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "fileio/ExcitationType.h"
#include "frequency/CompressedSolve.h"
#include "generator/Generator.h"
#include "meshes/Mesh.h"
#include "solver/Solver.h"
#include "solver/SurfaceSystem.h"
#include "support/TestSupport.h"

namespace {

// The unknowns of one excitation, by a system built for it alone.
int SolveAlone(const CompressedProblem& problem, double omega, const CompressedSettings& settings,
               std::vector<Complex>& unknowns, CompressedReport& report) {
    const std::vector<Complex> none;
    CCompressedSystem system;
    int status = system.Build(problem, omega, {{problem.values, &none, &none, &none}}, settings);
    if (status < 0) return status;
    std::vector<std::vector<Complex>> solved;
    std::vector<CompressedReport> reports;
    status = system.Solve({0}, nullptr, 0, solved, reports);
    if (status < 0) return status;
    unknowns.swap(solved[0]);
    report = reports[0];
    return status;
}

// A sphere of 642 points at ka 2 whose points carry, in turn, a velocity, a pressure, an
// impedance and an admittance.
struct SmallProblem {
    ConfigData config;
    CSurface surface{ConfigData{}};
    CGenerator generator{ConfigData{}};
    std::vector<std::int16_t> types;
    std::vector<Complex> values;
    double omega = 2.0 * pi * 2.0 * 343.0 / (2.0 * pi);

    SmallProblem() : surface(Config()), generator(Config()) {
        ConsoleCapture quiet;
        meshes::Load(surface, meshes::Icosphere(1.0, 3));
        EXPECT_GE(surface.PrepareSurface(1), 0);
        EXPECT_EQ(generator.Init(surface), 0);
        EXPECT_EQ(generator.LoadRules(test::GaussFile().c_str()), 0);
        const std::int16_t kinds[] = {givenVelocity, givenPressure, givenImpedance,
                                      givenAdmittance};
        const Complex given[] = {{1.0, 0.2}, {0.5, -1.0}, {412.0, 30.0}, {0.002, 0.001}};
        for (int j = 0; j < generator.pointCount; ++j) {
            types.push_back(kinds[j % 4]);
            values.push_back(given[j % 4]);
        }
    }
    static ConfigData Config() {
        ConfigData config;
        config.soundVelocity = {343.0, 0.0};
        config.density = 1.2;
        config.division[0] = 0.4;
        config.division[1] = 1.2;
        return config;
    }
    CompressedProblem Problem() const {
        return {&generator, surface.points.data(), surface.solidAngles.data(),
                generator.pointCount, types.data(), values.data()};
    }
    // The dense rows of the surface points, and their solution by LU.
    void Dense(std::vector<Complex>& pressures, std::vector<Complex>& velocities) const {
        const int n = generator.pointCount;
        std::vector<Complex> a(std::size_t(n) * n);
        std::vector<Complex> b(a.size());
        generator.ComputeMatrixRows(omega, surface.points.data(), surface.solidAngles.data(), 0,
                                    n, a.data(), b.data());
        ASSERT_EQ(CSolver(Config()).SolveSurfaceSystem(n, a.data(), b.data(), types.data(),
                                                       values.data(), pressures, velocities),
                  0);
    }
};

}  // namespace

TEST(CompressedSolve, UnknownsAndFieldValuesAgreeWithTheDenseSolveWithinTheTolerance) {
    const SmallProblem problem;
    const int n = problem.generator.pointCount;
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    problem.Dense(pressures, velocities);

    CompressedSettings settings;
    settings.tolerance = 1e-4;
    settings.solverTolerance = 1e-5;
    settings.threads = 2;
    std::vector<Complex> unknowns;
    CompressedReport report;
    ASSERT_EQ(SolveAlone(problem.Problem(), problem.omega, settings, unknowns, report), 0);
    EXPECT_TRUE(report.converged);
    EXPECT_GT(report.largestRank, 0);  // there were blocks to compress
    std::vector<Complex> p(static_cast<std::size_t>(n));
    std::vector<Complex> v(p.size());
    RecoverSurfaceSolution(n, problem.types.data(), problem.values.data(), unknowns.data(),
                           p.data(), v.data());
    EXPECT_LT(test::RelativeL2(p, pressures), 1e-4);
    EXPECT_LT(test::RelativeL2(v, velocities), 1e-4);

    // Field points on a sphere around the body, against the dense field formula.
    std::vector<Vector3> points;
    for (int i = 0; i < n; i += 2) points.push_back(1.6 * problem.surface.points[i]);
    std::vector<Complex> field;
    CCompressedField compressedField;
    ASSERT_EQ(compressedField.Build(problem.Problem(), problem.omega, points, settings), 0);
    ASSERT_EQ(compressedField.Values(pressures.data(), velocities.data(), field), 0);
    std::vector<Complex> a(static_cast<std::size_t>(n));
    std::vector<Complex> b(a.size());
    std::vector<Complex> dense;
    for (const Vector3& x : points) {
        problem.generator.ComputeMatrixRows(problem.omega, &x, nullptr, 0, 1, a.data(), b.data());
        dense.push_back(FieldPressure(n, a.data(), b.data(), pressures.data(), velocities.data()));
    }
    EXPECT_LT(test::RelativeL2(field, dense), 1e-4);

    // One thread gives the same bits as two.
    settings.threads = 1;
    std::vector<Complex> again;
    ASSERT_EQ(SolveAlone(problem.Problem(), problem.omega, settings, again, report), 0);
    EXPECT_EQ(std::memcmp(again.data(), unknowns.data(), unknowns.size() * sizeof(Complex)), 0);
}
