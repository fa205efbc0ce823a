// The driver seen from outside: the binary run in a temporary directory.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

const char* const usageText =
    "\nUsage:\n\tKavoral <switch> <parameters>\n\nwhere <switch> and corresponding <parameters> "
    "are:\n\n\t-ms freq surface.srf direction surface.mtx\n\t-mm freq surface.srf direction "
    "points.ms points.mtx\n\t-mi surface.mtx surface_C.mtx\n\t-xs surface.mtx excitation.xct "
    "surface.res\n\t-xm points.mtx surface.res points.res\n\t-ch insurf.srf direction "
    "outsurf.srf\n\n";

TEST(Driver, NoArgumentsPrintsBannerDateAndUsageAndExitsMinusOne) {
    test::TempDir dir;
    const test::RunResult run = test::RunKavoral(dir.Path(), {});
    EXPECT_EQ(run.status, -1);
    const std::string rule(66, '-');
    const std::string head = "\n" + rule + "\n\tKavoral 1.1\tAcoustical Boundary Element software\n\t\t\t";
    ASSERT_EQ(run.output.compare(0, head.size(), head), 0) << run.output;
    EXPECT_NE(run.output.find(rule + "\n\n"), std::string::npos);
    // The date line: 24 characters, then the usage text ends the output.
    const std::size_t dateStart = run.output.find(rule + "\n\n") + rule.size() + 2;
    EXPECT_EQ(run.output.substr(dateStart + 24), std::string("\n") + usageText);
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.File("Kavoral.log")), run.output);
}

}  // namespace
