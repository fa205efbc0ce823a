// The files a sweep writes beside its tables.
#include <gtest/gtest.h>

#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "support/TestSupport.h"
#include "sweep/SweepOutput.h"

namespace {

TEST(SweepOutput, TheWrittenExcitationReadsBackExactly) {
    test::TempDir dir;
    PointExcitation x{{givenVelocity, givenImpedance}, {{0.1, 1.0 / 3.0}, {415.0, -2e-17}}};
    test::ConsoleCapture capture;
    ASSERT_EQ(output::WriteExcitation(dir.File("x.xct"), x, "derived"), 0);
    EXPECT_FALSE(test::FileExists(dir.File("x.xct.part")));
    CFileIO fileIO;
    int count = 0;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
    ASSERT_EQ(fileIO.ReadExcitationFile(dir.File("x.xct").c_str(), count, values, types), 0);
    EXPECT_EQ(types, x.types);
    EXPECT_EQ(values[0].im, 1.0 / 3.0);
    EXPECT_EQ(values[1].im, -2e-17);
    EXPECT_EQ(output::WriteExcitation(dir.File("no/x.xct"), x, "t"), -3);
}

}  // namespace
