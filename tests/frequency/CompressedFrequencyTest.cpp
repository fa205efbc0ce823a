// The compressed road through a frequency as the sweep takes it: the choice of the solver, CHIEF
// least squares on compressed matrices against the dense ones, and a solution that does not
// reach its tolerance, which is never passed off as a good one.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sweep/SweepSupport.h"
#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "sweep/JobFile.h"

namespace {

// The pulsating sphere of 642 points with the job lines given, solved at ka.
int SolveSphere(const std::string& lines, double ka, FrequencyResult& result,
                std::string* console = nullptr, int iterationLimit = 400) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 3);
    test::ChangeDir here(dir.Path());
    test::ConsoleCapture capture;
    SweepJob job;
    EXPECT_EQ(ReadJobText(sweeptest::SphereJob(lines + "FREQUENCIES 100\n"),
                                  dir.File("job.txt"), job),
              0)
        << capture.text;
    Model model;
    EXPECT_EQ(PrepareModel(job, model), 0) << capture.text;
    model.iterationLimit = iterationLimit;
    FrequencyOptions options;
    options.threads = 2;
    const int status = CFrequencySolver().Solve(
        model, std::stod(sweeptest::FrequencyOfKa(ka)), options, result);
    if (console != nullptr) *console = capture.text;
    return status;
}

}  // namespace

TEST(CompressedFrequency, ChiefLeastSquaresOnCompressedMatricesAgreesWithTheDenseOne) {
    // ka = pi is the first interior resonance of the sphere.
    FrequencyResult dense;
    FrequencyResult compressed;
    std::string console;
    ASSERT_EQ(SolveSphere("CHIEF 12\nSOLVER DENSE\n", pi, dense), 0);
    ASSERT_EQ(SolveSphere("CHIEF 12\nSOLVER COMPRESSED\n", pi, compressed, &console), 0);
    EXPECT_NE(console.find("compressed"), std::string::npos) << console;
    EXPECT_EQ(compressed.chiefPoints, 12);
    EXPECT_TRUE(compressed.compressed);
    EXPECT_TRUE(compressed.converged);
    EXPECT_GT(compressed.iterations, 0);
    EXPECT_EQ(dense.iterations, 0);
    EXPECT_LT(test::RelativeL2(compressed.pressures, dense.pressures), 1e-3);
    EXPECT_LT(test::RelativeL2(compressed.field, dense.field), 1e-3);
    EXPECT_NEAR(compressed.residual, dense.residual, 0.1 * dense.residual);

    // At ka = 6 both take the CHIEF points of the grown count.
    ASSERT_EQ(SolveSphere("CHIEF 12\nSOLVER DENSE\n", 6.0, dense), 0);
    ASSERT_EQ(SolveSphere("CHIEF 12\nSOLVER COMPRESSED\n", 6.0, compressed), 0);
    EXPECT_EQ(dense.chiefPoints, 16);
    EXPECT_EQ(compressed.chiefPoints, 16);
    EXPECT_LT(test::RelativeL2(compressed.pressures, dense.pressures), 1e-3);
    EXPECT_NEAR(compressed.residual, dense.residual, 0.1 * dense.residual);

    // In a plane wave about as strong as the radiated sound, the CHIEF rows take the incident
    // sound alike on either road.
    const std::string wave = "INCIDENT PLANE 400 0 0 0 1\n";
    ASSERT_EQ(SolveSphere(wave + "CHIEF 12\nSOLVER DENSE\n", 6.0, dense), 0);
    ASSERT_EQ(SolveSphere(wave + "CHIEF 12\nSOLVER COMPRESSED\n", 6.0, compressed), 0);
    EXPECT_LT(test::RelativeL2(compressed.pressures, dense.pressures), 1e-3);
    EXPECT_NEAR(compressed.residual, dense.residual, 0.1 * dense.residual);
}

TEST(CompressedFrequency, AutomaticChoiceTakesTheDenseSolverForASmallSurfaceAndSaysWhy) {
    FrequencyResult result;
    std::string console;
    ASSERT_EQ(SolveSphere("", 1.0, result, &console), 0);
    EXPECT_FALSE(result.compressed);
    EXPECT_NE(console.find("Solver: dense (642 points, below"), std::string::npos) << console;
}

TEST(CompressedFrequency, ASolutionShortOfItsToleranceIsAFailedFrequency) {
    // One iteration is too few for a tolerance of 1e-6.
    FrequencyResult result;
    std::string console;
    EXPECT_EQ(SolveSphere("CHIEF OFF\nSOLVER COMPRESSED\nSOLVER_TOLERANCE 1e-5\n", 1.0, result,
                          &console, 1),
              Status::notConverged);
    EXPECT_EQ(result.status, Status::notConverged);
    EXPECT_FALSE(result.converged);
    EXPECT_NE(console.find(Message::notConverged), std::string::npos) << console;
}
