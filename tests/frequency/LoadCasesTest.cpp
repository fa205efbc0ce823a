// Several load cases of one model at one frequency: one factorisation per group of cases that
// share the system matrix, every case's solution the same as a model of that case alone,
// combinations equal to the solution of the combined excitation, and CHIEF judged per case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/ExcitationType.h"
#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "meshes/Mesh.h"
#include "sweep/SweepSupport.h"

namespace {

BoundaryCondition Condition(const std::string& region, char letter, Complex value) {
    return BoundaryCondition{region, ExcitationTypeOfLetter(letter), value, 0};
}

LoadCase Case(const std::string& name, std::vector<BoundaryCondition> conditions) {
    LoadCase loadCase;
    loadCase.name = name;
    loadCase.boundaries = std::move(conditions);
    return loadCase;
}

// A closed box of 0.4 m whose front face (z = 0.2) holds a woofer below and a tweeter above,
// with field points in front of it.
ModelDescription Cabinet() {
    const meshes::Mesh m = meshes::CubeOfSquares(0.4, 4);
    ModelDescription d;
    d.config.density = 1.2;
    d.config.soundVelocity = {343.0, 0.0};
    d.surfacePoints = m.points;
    d.surfaceElements = m.elements;
    d.regions.names = {"box", "woofer", "tweeter"};
    for (const SurfaceElement& e : m.elements) {
        const Vector3 c = meshes::Centroid(m, e);
        d.regions.elementRegion.push_back(c.z > 0.19 ? (c.y < 0.0 ? 1 : 2) : 0);
    }
    d.fieldPoints = {{0.0, 0.0, 1.0}, {0.5, 0.1, 0.8}, {-0.3, 0.2, 2.0}};
    d.solver = SolverMode::dense;
    d.chief = ChiefMode::off;  // the direct solution of every case, whatever its residual
    return d;
}

std::vector<FrequencyResult> Solved(const ModelDescription& description, double frequency,
                                    Model* prepared = nullptr) {
    test::ConsoleCapture capture;
    Model model;
    EXPECT_EQ(PrepareModel(description, model), 0) << capture.text;
    FrequencyOptions options;
    options.threads = 2;
    std::vector<FrequencyResult> results;
    EXPECT_EQ(CFrequencySolver().SolveCases(model, frequency, options, results), 0) << capture.text;
    if (prepared != nullptr) *prepared = std::move(model);
    return results;
}

// The model of one case alone: its conditions as the description's own.
ModelDescription Alone(ModelDescription d, const LoadCase& loadCase) {
    d.boundaries = loadCase.boundaries;
    d.excitation = loadCase.excitation;
    d.incident = loadCase.incident;
    d.cases.clear();
    d.combinations.clear();
    return d;
}

bool SameBits(const std::vector<Complex>& a, const std::vector<Complex>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Complex)) == 0;
}

TEST(LoadCases, TwoDriversShareOneFactorisationAndTheirSumIsTheRunWithBoth) {
    ModelDescription d = Cabinet();
    const Complex tweeter{0.3, -0.4};
    const Complex weight{0.5, 0.25};
    d.cases = {Case("woofer", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0})}),
               Case("tweeter", {Condition("ALL", 'V', {}), Condition("tweeter", 'V', tweeter)})};
    d.combinations = {{"sum", {"woofer", "tweeter"}, {{1.0, 0.0}, weight}, 0}};
    const std::vector<FrequencyResult> results = Solved(d, 400.0);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[1].caseName, "tweeter");
    EXPECT_EQ(results[2].caseName, "sum");
    for (const FrequencyResult& r : results) EXPECT_EQ(r.factorisations, 1);

    // Each column of the shared solve is what the case alone gives, to the last bit.
    for (std::size_t c = 0; c < 2; ++c) {
        const FrequencyResult alone = Solved(Alone(d, d.cases[c]), 400.0)[0];
        EXPECT_TRUE(SameBits(results[c].pressures, alone.pressures)) << c;
        EXPECT_TRUE(SameBits(results[c].field, alone.field)) << c;
        EXPECT_EQ(results[c].power, alone.power) << c;
        EXPECT_EQ(results[c].residual, alone.residual) << c;
    }

    // Both drivers in one case. Measured: 1.1e-15 (pressures), 2.7e-16 (field), 2.2e-16
    // (power); bound 1e-10.
    const FrequencyResult both = Solved(
        Alone(d, Case("both", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0}),
                               Condition("tweeter", 'V', weight * tweeter)})),
        400.0)[0];
    const FrequencyResult& sum = results[2];
    EXPECT_LT(test::LargestRelativeDifference(sum.pressures, both.pressures), 1e-10);
    EXPECT_LT(test::LargestRelativeDifference(sum.velocities, both.velocities), 1e-10);
    EXPECT_LT(test::LargestRelativeDifference(sum.field, both.field), 1e-10);
    EXPECT_NEAR(sum.power, both.power, 1e-10 * both.power);
    EXPECT_NEAR(sum.residual, both.residual, 1e-8 * both.residual);
    // The power of the sum is not the sum of the powers: the drivers interfere.
    const double weightSquared = weight.re * weight.re + weight.im * weight.im;
    EXPECT_GT(std::fabs(sum.power - results[0].power - weightSquared * results[1].power),
              1e-3 * sum.power);
}

TEST(LoadCases, CasesOfAnotherImpedanceTakeAFactorisationOfTheirOwn) {
    ModelDescription d = Cabinet();
    d.cases = {Case("woofer", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0})}),
               Case("damped", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0}),
                               Condition("tweeter", 'Z', {415.0, 80.0})}),
               Case("tweeter", {Condition("ALL", 'V', {}), Condition("tweeter", 'V', {1.0, 0.0})})};
    const std::vector<FrequencyResult> results = Solved(d, 250.0);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].factorisations, 2);
    for (std::size_t c = 1; c < 3; ++c) {
        const FrequencyResult alone = Solved(Alone(d, d.cases[c]), 250.0)[0];
        EXPECT_TRUE(SameBits(results[c].pressures, alone.pressures)) << c;
        EXPECT_TRUE(SameBits(results[c].velocities, alone.velocities)) << c;
    }
    // The impedance absorbs part of what the woofer radiates.
    EXPECT_LT(results[1].power, results[0].power);
}

// The 642-point unit sphere in air on the given solver, and the case that makes it oscillate
// along z.
struct SphereModel {
    ModelDescription description;
    LoadCase oscillating;
};

SphereModel Sphere(SolverMode solver) {
    const meshes::Mesh m = meshes::Icosphere(1.0, 3);
    const sweeptest::Elements s = sweeptest::FromMesh(m);
    SphereModel sphere;
    ModelDescription& d = sphere.description;
    d.config.density = 1.2;
    d.config.soundVelocity = {343.0, 0.0};
    d.surfacePoints = s.points;
    d.surfaceElements = s.elements;
    d.solver = solver;
    sphere.oscillating.name = "oscillating";
    for (const Vector3& x : m.points) {
        sphere.oscillating.excitation.types.push_back(givenVelocity);
        sphere.oscillating.excitation.values.push_back({x.z / Length(x), 0.0});
    }
    return sphere;
}

TEST(LoadCases, OnlyTheCaseNearAResonanceIsSolvedAgainWithChief) {
    // At ka = pi the pulsating sphere meets its first interior resonance, the oscillating one
    // does not.
    SphereModel sphere = Sphere(SolverMode::dense);
    ModelDescription& d = sphere.description;
    const LoadCase& oscillating = sphere.oscillating;
    d.cases = {Case("pulsating", {Condition("ALL", 'V', {1.0, 0.0})}), oscillating,
               Case("stronger", {Condition("ALL", 'V', {0.0, 2.0})})};
    const std::vector<FrequencyResult> results = Solved(d, 343.0 / 2.0);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].nearResonance);
    EXPECT_EQ(results[0].chiefPoints, 12);
    EXPECT_LT(results[0].residual, d.residualLimit);
    EXPECT_FALSE(results[1].nearResonance);
    EXPECT_EQ(results[1].chiefPoints, 0);
    EXPECT_EQ(results[2].chiefPoints, 12);
    EXPECT_EQ(results[0].factorisations, 2);  // the LU of all, the least squares of two
    // Every case, solved again with CHIEF or not, is what it gives alone.
    for (std::size_t c = 0; c < 3; ++c) {
        const FrequencyResult alone = Solved(Alone(d, d.cases[c]), 343.0 / 2.0)[0];
        EXPECT_TRUE(SameBits(results[c].pressures, alone.pressures)) << c;
    }
}

TEST(LoadCases, TheCompressedSolverSolvesEveryCase) {
    ModelDescription d = Cabinet();
    d.cases = {Case("woofer", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0})}),
               Case("tweeter", {Condition("ALL", 'V', {}), Condition("tweeter", 'V', {0.0, 1.0})})};
    d.combinations = {{"sum", {"woofer", "tweeter"}, {{1.0, 0.0}, {1.0, 0.0}}, 0}};
    const std::vector<FrequencyResult> dense = Solved(d, 400.0);
    d.solver = SolverMode::compressed;
    const std::vector<FrequencyResult> compressed = Solved(d, 400.0);
    ASSERT_EQ(compressed.size(), 3u);
    EXPECT_EQ(compressed[0].factorisations, 1);
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_TRUE(compressed[c].compressed) << c;
        // Measured: 1.2e-15 and below (so small a box has few far blocks); bound 1e-3, the
        // compression's.
        EXPECT_LT(test::LargestRelativeDifference(compressed[c].pressures, dense[c].pressures),
                  1e-3)
            << c;
        EXPECT_LT(test::LargestRelativeDifference(compressed[c].field, dense[c].field), 1e-3) << c;
    }
}

TEST(LoadCases, OnTheCompressedSolverAGroupSharesOneSystemAndEveryCaseIsWhatItGivesAlone) {
    // The sphere at its first interior resonance: the pulsating cases are solved again with
    // CHIEF points on their group's system, the oscillating one is not; the absorbing case,
    // lit by a plane wave, is a group of its own.
    SphereModel sphere = Sphere(SolverMode::compressed);
    ModelDescription& d = sphere.description;
    const LoadCase& oscillating = sphere.oscillating;
    d.fieldPoints = {{0.0, 0.0, 2.0}, {1.5, 1.0, 0.0}, {-3.0, 0.5, 1.0}};
    LoadCase absorbing = Case("absorbing", {Condition("ALL", 'Z', {415.0, 80.0})});
    ASSERT_EQ(absorbing.incident.AddPlaneWave({1.0, 0.0}, {0.0, 1.0, 1.0}), 0);
    d.cases = {Case("pulsating", {Condition("ALL", 'V', {1.0, 0.0})}), oscillating, absorbing,
               Case("stronger", {Condition("ALL", 'V', {0.0, 2.0})})};
    const double frequency = 343.0 / 2.0;
    const std::vector<FrequencyResult> results = Solved(d, frequency);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].factorisations, 2);  // one system per group, CHIEF solves included
    EXPECT_GT(results[0].largestRank, 0);     // there were blocks to compress
    EXPECT_EQ(results[0].chiefPoints, 12);
    EXPECT_EQ(results[1].chiefPoints, 0);
    EXPECT_EQ(results[3].chiefPoints, 12);
    for (std::size_t c = 0; c < 4; ++c) {
        const FrequencyResult alone = Solved(Alone(d, d.cases[c]), frequency)[0];
        EXPECT_TRUE(alone.compressed) << c;
        EXPECT_TRUE(SameBits(results[c].pressures, alone.pressures)) << c;
        EXPECT_TRUE(SameBits(results[c].velocities, alone.velocities)) << c;
        EXPECT_TRUE(SameBits(results[c].field, alone.field)) << c;
        EXPECT_EQ(results[c].residual, alone.residual) << c;
        EXPECT_EQ(results[c].iterations, alone.iterations) << c;
    }
}

TEST(LoadCases, RefusesUnusableNamesAndCombinationsOfUnknownCases) {
    const LoadCase woofer =
        Case("woofer", {Condition("ALL", 'V', {}), Condition("woofer", 'V', {1.0, 0.0})});
    const struct {
        std::vector<LoadCase> cases;
        std::vector<CaseCombination> combinations;
        const char* report;
    } faults[] = {
        {{woofer, woofer}, {}, "CASE: the case name 'woofer' is given twice"},
        {{Case("a/b", woofer.boundaries)}, {}, "the case name 'a/b' is not"},
        {{woofer}, {{"sum", {"tweeter"}, {{1.0, 0.0}}, 0}}, "COMBINE: no CASE 'tweeter'"},
        {{woofer}, {{"woofer", {"woofer"}, {{1.0, 0.0}}, 0}}, "'woofer' is given twice"},
        {{woofer}, {{"sum", {"woofer"}, {}, 0}}, "one weight for each"},
        {{}, {{"sum", {"woofer"}, {{1.0, 0.0}}, 0}}, "COMBINE: no CASE to combine"},
    };
    for (const auto& fault : faults) {
        ModelDescription d = Cabinet();
        d.boundaries = woofer.boundaries;
        d.cases = fault.cases;
        d.combinations = fault.combinations;
        test::ConsoleCapture capture;
        Model model;
        EXPECT_EQ(PrepareModel(d, model), -5) << fault.report;
        EXPECT_NE(capture.text.find(fault.report), std::string::npos) << capture.text;
    }
}

}  // namespace
