// A rigid sphere in incident sound through the sweep program, against the exact series: the
// total field at r = 2a, the scattered columns of field.csv, a plane wave and a point source
// summed, and CHIEF at the first interior resonance.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SweepSupport.h"
#include "tools/SphereScattering.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int fieldCount = 19;  // from 0 to 180 degrees in steps of 10, at r = 2 m

using Exact = Complex (*)(double ka, Vector3 x);

struct Swept {
    std::vector<std::vector<std::string>> frequencies;  // rows of frequencies.csv
    std::vector<std::vector<std::string>> field;        // rows of field.csv
};

// Sweeps the rigid sphere of radius 1 m at the ka values with the job's INCIDENT and CHIEF lines.
// The exit status is 13 where a frequency stays above the residual limit.
Swept Sweep(int level, const std::string& lines, const std::vector<double>& kas, int status = 0) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, level);
    EXPECT_TRUE(meshes::WriteSurface(meshes::ArcPoints(2.0, fieldCount, 0.0, 180.0),
                                     dir.File("arc.ms"), "arc"));
    std::string frequencies = "FREQUENCIES";
    for (double ka : kas) frequencies += " " + sweeptest::FrequencyOfKa(ka);
    test::WriteFile(dir.File("job.txt"),
                    "DENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE sphere.srf\n"
                    "BOUNDARY ALL V 0 0\nFIELD_POINTS arc.ms\nOUTPUT out\n" +
                        lines + frequencies + "\n");
    const test::RunResult run = sweeptest::RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, status) << run.output;
    Swept swept{sweeptest::CsvRows(dir.File("out/frequencies.csv")),
                sweeptest::CsvRows(dir.File("out/field.csv"))};
    EXPECT_EQ(swept.frequencies.size(), kas.size());
    EXPECT_EQ(swept.field.size(), kas.size() * fieldCount);
    return swept;
}

Complex Cell(const std::vector<std::string>& row, std::size_t re) {
    return {std::stod(row[re]), std::stod(row[re + 1])};
}

// The relative L2 error of the total field on the arc at the i-th frequency, checking on the way
// that the scattered columns are the total less the incident field.
double FieldError(const Swept& swept, std::size_t i, double ka, Exact exact, Exact incident) {
    const meshes::Mesh arc = meshes::ArcPoints(2.0, fieldCount, 0.0, 180.0);
    if (swept.field.size() < (i + 1) * fieldCount) return INFINITY;
    double error = 0.0, norm = 0.0;
    for (int j = 0; j < fieldCount; ++j) {
        const std::vector<std::string>& row =
            swept.field[i * fieldCount + static_cast<std::size_t>(j)];
        if (row.size() != 12u) {
            ADD_FAILURE() << "field.csv row of " << row.size() << " columns";
            return INFINITY;
        }
        const Vector3 x = arc.points[static_cast<std::size_t>(j)];
        const Complex total = Cell(row, 5), scattered = Cell(row, 10);
        const Complex expected = total - incident(ka, x);
        EXPECT_NEAR(scattered.re, expected.re, 1e-8) << "point " << j;
        EXPECT_NEAR(scattered.im, expected.im, 1e-8) << "point " << j;
        const Complex difference = total - exact(ka, x);
        const Complex e = exact(ka, x);
        error += difference.re * difference.re + difference.im * difference.im;
        norm += e.re * e.re + e.im * e.im;
    }
    return std::sqrt(error / norm);
}

const Vector3 source{0.0, 0.0, -3.0};
const Complex sourceAmplitude{0.5, -0.5};

Complex PlaneWave(double ka, Vector3 x) { return {std::cos(ka * x.z), -std::sin(ka * x.z)}; }
Complex SphereInPlaneWave(double ka, Vector3 x) {
    return scattering::SpherePlaneWave(1.0, ka, {0.0, 0.0}, {1.0, 0.0}, {0.0, 0.0, 1.0}, x);
}
// The plane wave along +z and the point source at `source`.
Complex BothIncident(double ka, Vector3 x) {
    const double r = Length(x - source);
    return PlaneWave(ka, x) +
           sourceAmplitude * Complex{std::cos(ka * r) / r, -std::sin(ka * r) / r};
}
Complex SphereInBoth(double ka, Vector3 x) {
    return SphereInPlaneWave(ka, x) +
           scattering::SpherePointSource(1.0, ka, {0.0, 0.0}, sourceAmplitude, source, x);
}

TEST(SweepIncident, RigidSphereInAPlaneWaveMatchesTheSeriesAndChiefHoldsAtTheResonance) {
    // The direction is normalised: a wave number doubled by it would be far off.
    const Swept chief = Sweep(3, "INCIDENT PLANE 1 0 0 0 2\nCHIEF AUTO\n", {1.0, pi});
    ASSERT_EQ(chief.frequencies.size(), 2u);
    EXPECT_EQ(chief.frequencies[0][3], "0");   // ka = 1 is not marked
    EXPECT_EQ(chief.frequencies[1][3], "12");  // ka = pi is, and solved with CHIEF
    EXPECT_LT(std::stod(chief.frequencies[1][4]), 0.02);
    const double atOne = FieldError(chief, 0, 1.0, SphereInPlaneWave, PlaneWave);
    const double atPi = FieldError(chief, 1, pi, SphereInPlaneWave, PlaneWave);
    EXPECT_LT(atOne, 0.003) << atOne;  // measured 0.13 %
    EXPECT_LT(atPi, 0.01) << atPi;     // measured 0.63 %

    // Without CHIEF the residual marks the resonance and the field is far off.
    const Swept off = Sweep(3, "INCIDENT PLANE 1 0 0 0 1\nCHIEF OFF\n", {pi}, 13);
    ASSERT_EQ(off.frequencies.size(), 1u);
    EXPECT_GT(std::stod(off.frequencies[0][4]), 0.02);
    EXPECT_GT(FieldError(off, 0, pi, SphereInPlaneWave, PlaneWave), 5.0 * atPi);  // measured 15 %
}

TEST(SweepIncident, ASourceCloseToTheSurfaceIsSolvedWithAWarning) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    test::WriteFile(dir.File("job.txt"),
                    sweeptest::SphereJob("FREQUENCIES 100\nINCIDENT POINT 1 0 0 0 1.2\n"));
    const test::RunResult run = sweeptest::RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Warning: INCIDENT POINT at (0, 0, 1.2) is 0."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("1 of 1:"), std::string::npos) << run.output;
}

TEST(SweepIncident, PlaneWaveAndPointSourceAreSummed) {
    const Swept swept = Sweep(2,
                              "INCIDENT PLANE 1 0 0 0 1\n"
                              "incident point 0.5 -0.5 0 0 -3\n",
                              {2.0});
    ASSERT_EQ(swept.frequencies.size(), 1u);
    const double error = FieldError(swept, 0, 2.0, SphereInBoth, BothIncident);
    EXPECT_LT(error, 0.03) << error;  // measured 1.5 % on 162 points
}

}  // namespace
