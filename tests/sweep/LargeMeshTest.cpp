// A surface beyond the program's 65535 elements: the Kavoral program refuses it as it always
// has, the sweep reads and prepares it.
#include <gtest/gtest.h>

#include <vector>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "meshes/Mesh.h"
#include "support/TestSupport.h"
#include "sweep/JobFile.h"
#include "frequency/Model.h"
#include "SweepSupport.h"

TEST(LargeMesh, KavoralRefusesEightyThousandTrianglesAndTheSweepPreparesThem) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    test::CopyGaussFile(dir.Path());
    const meshes::Mesh sphere = meshes::Icosphere(1.0, 6);
    ASSERT_EQ(sphere.elements.size(), 81920u);
    ASSERT_TRUE(meshes::WriteSurface(sphere, dir.File("sphere.srf"), "icosphere 6"));

    const test::RunResult check = test::RunKavoral(dir.Path(), {"-ch", "sphere.srf", "OUT", "o.srf"});
    EXPECT_EQ(check.status, -5);
    EXPECT_NE(check.output.find("number of elements"), std::string::npos) << check.output;
    EXPECT_FALSE(test::FileExists(dir.File("o.srf")));

    // Facing inward, which needs no interior points: choosing them costs seconds at this size.
    test::WriteFile(dir.File("job.txt"), "DENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE sphere.srf\n"
                                         "DIRECTION IN\nBOUNDARY ALL V 1 0\nOUTPUT out\n"
                                         "FREQUENCIES 100\n");
    test::ChangeDir here(dir.Path());
    test::ConsoleCapture console;
    SweepJob job;
    ASSERT_EQ(ReadJobFile("job.txt", job), 0) << console.text;
    Model model;
    ASSERT_EQ(PrepareModel(job, model), 0) << console.text;
    EXPECT_EQ(model.pointCount, 40962);
    EXPECT_EQ(model.generator->totalElementCount, 81920);
    // Every point of a finely meshed convex body, seen from inside, has a little less than 2 pi.
    for (int p = 0; p < model.pointCount; p += 997) {
        EXPECT_LT(model.surface->solidAngles[p], 2.0 * pi) << p;
        EXPECT_GT(model.surface->solidAngles[p], 2.0 * pi - 0.1) << p;
    }
    // Indices past 16 bits reach the right elements: the last point's column collects the
    // elements around it, the six of an icosphere vertex (five at the twelve corners).
    const int last = model.pointCount - 1;
    EXPECT_EQ(model.generator->columnElementStart[last + 1] -
                  model.generator->columnElementStart[last],
              6);
    std::vector<Complex> a(2);
    std::vector<Complex> b(2);
    const int rows[] = {last, 0};
    const int columns[] = {last};
    ASSERT_EQ(model.generator->ComputeMatrixBlock(2.0 * pi * 100.0, model.surface->points.data(),
                                                  model.surface->solidAngles.data(), rows, 2,
                                                  columns, 1, a.data(), b.data()),
              0);
    // The diagonal entry carries the free term -2 pi (plus the small integrals of a flat
    // neighbourhood); the far one is small.
    EXPECT_NEAR(a[0].re, -2.0 * pi, 0.1);
    EXPECT_LT(Abs(a[1]), 1e-3);
}
