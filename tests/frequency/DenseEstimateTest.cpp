// The estimate of a dense sweep before its first frequency: the parts it adds up, the CHIEF
// re-solve counted where CHIEF points can be used, and the memory of the least squares.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sweep/SweepSupport.h"
#include "frequency/DenseEstimate.h"
#include "frequency/Model.h"
#include "sweep/JobFile.h"

namespace {

void CheckSphereEstimate(int level) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, level);
    test::ChangeDir here(dir.Path());
    test::ConsoleCapture capture;
    SweepJob job;
    ASSERT_EQ(ReadJobText(sweeptest::SphereJob("SOLVER DENSE\nFREQUENCIES 100\n"),
                                  dir.File("job.txt"), job),
              0)
        << capture.text;
    Model model;
    ASSERT_EQ(PrepareModel(job, model), 0) << capture.text;
    const double n = model.pointCount;
    const int m = static_cast<int>(model.interior.chief.size());
    ASSERT_GT(m, 0);

    const DenseEstimate direct = EstimateDense(model, 100.0, 0, 2);
    EXPECT_GT(direct.rowSeconds, 0.0);
    EXPECT_GT(direct.factorSeconds, 0.0);
    EXPECT_TRUE(std::isfinite(direct.factorSeconds));
    EXPECT_DOUBLE_EQ(direct.directSeconds, direct.rowSeconds + direct.factorSeconds);
    EXPECT_EQ(direct.resolveSeconds, 0.0);
    EXPECT_GE(direct.bytes, 16.0 * n * n);
    EXPECT_EQ(direct.bytes, DenseMemoryNeed(model.pointCount, 0, 2));

    const DenseEstimate chief = EstimateDense(model, 100.0, m, 2);
    EXPECT_GT(chief.resolveSeconds, 0.0);
    EXPECT_TRUE(std::isfinite(chief.resolveSeconds));
    EXPECT_GT(chief.chiefSeconds, chief.resolveSeconds);  // with the field rows
    EXPECT_GE(chief.bytes, 16.0 * (n + m) * n);
}

}  // namespace

TEST(DenseEstimate, AddsUpItsPartsAndCountsChiefOnlyWithChiefPoints) {
    CheckSphereEstimate(3);  // 642 points: the factorisation timed at its own size
    CheckSphereEstimate(4);  // 2562 points: from two probe sizes
}
