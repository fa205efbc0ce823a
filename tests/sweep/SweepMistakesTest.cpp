// The mistakes a new user makes with the sweep program, each named before any frequency is
// solved, and what the program shows while it runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "SweepSupport.h"

namespace {

using sweeptest::CsvRows;
using sweeptest::RunSweep;
using sweeptest::SphereJob;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(SweepMistakes, JobFileMistakesAreNamedWithWhatTheUserNeedsToMendThem) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    // Two FIELD_POINTS lines add up, numbered in order, and the table says which file holds
    // which point.
    ASSERT_TRUE(meshes::WriteSurface(meshes::LinePoints({2, 0, 0}, {3, 0, 0}, 2),
                                     dir.File("side.ms"), "side points"));
    test::WriteFile(dir.File("job.txt"), SphereJob("FIELD_POINTS side.ms\nFREQUENCIES 100\n"));
    test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    const auto field = CsvRows(dir.File("out/field.csv"));
    ASSERT_EQ(field.size(), 6u);
    EXPECT_EQ(field[4][1], "4");
    EXPECT_EQ(field[4][2], "2");
    const auto points = CsvRows(dir.File("out/field_points.csv"));
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[3], (std::vector<std::string>{"3", "0", "0", "5", "field.ms"}));
    EXPECT_EQ(points[5], (std::vector<std::string>{"5", "3", "0", "0", "side.ms"}));

    // A misspelt region lists the regions there are.
    std::string regions;
    for (int e = 0; e < 80; ++e) regions += e < 5 ? "cone\n" : "wall\n";
    test::WriteFile(dir.File("regions.txt"), regions);
    test::WriteFile(dir.File("job.txt"),
                    "SURFACE sphere.srf\nREGIONS regions.txt\nBOUNDARY wall V 0 0\n"
                    "BOUNDARY coen V 1 0\nFREQUENCIES 100\nOUTPUT bad\n");
    run = RunSweep(dir, {"job.txt"});
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(Has(run.output, "job.txt line 4, BOUNDARY: no element is in region 'coen'; "
                                "the regions are cone, wall"))
        << run.output;

    // An open surface names an open edge, as kavoral-mesh check does.
    meshes::Mesh open = meshes::Icosphere(1.0, 1);
    open.elements.pop_back();
    ASSERT_TRUE(meshes::WriteSurface(open, dir.File("open.srf"), "open sphere"));
    test::WriteFile(dir.File("job.txt"),
                    "SURFACE open.srf\nBOUNDARY ALL V 1 0\nFREQUENCIES 100\nOUTPUT bad\n");
    run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 9);
    EXPECT_TRUE(Has(run.output, "Surface not closed!")) << run.output;
    EXPECT_TRUE(Has(run.output, "The surface is open: 3 open edges, the first edge ")) << run.output;
    EXPECT_TRUE(Has(run.output, " only; 'kavoral-mesh check open.srf' lists them all"))
        << run.output;
    EXPECT_FALSE(test::FileExists(dir.File("bad")));
}

// A sweep whose result would be wrong is refused before any work unless ACCEPT says the user
// means it; the refusal names the mistake and its remedy.
void ExpectRefused(const test::TempDir& dir, const std::string& job,
                   const std::vector<std::string>& parts) {
    test::WriteFile(dir.File("job.txt"), job);
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 5) << job;
    for (const std::string& part : parts) EXPECT_TRUE(Has(run.output, part)) << run.output;
    EXPECT_FALSE(Has(run.output, "of 1: ")) << run.output;
    EXPECT_FALSE(test::FileExists(dir.File("out")));
}

std::string Accepted(const test::TempDir& dir, const std::string& job) {
    test::WriteFile(dir.File("job.txt"), job);
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 0) << run.output;
    std::filesystem::remove_all(dir.File("out"));
    return run.output;
}

TEST(SweepMistakes, ABodyInOtherUnitsIsRefusedWithTheScaleThatFixesIt) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    // The sphere of radius 1 m given in millimetres, and given in metres but scaled once more.
    for (const double radius : {1000.0, 1e-4}) {
        ASSERT_TRUE(meshes::WriteSurface(meshes::Icosphere(radius, 1), dir.File("sphere.srf"),
                                         "sphere"));
        const std::string job = SphereJob(radius > 1.0 ? "FREQUENCIES 50 100\n" : "FREQUENCIES 1000\n");
        ASSERT_TRUE(meshes::WriteSurface(meshes::LinePoints({0, 0, 3 * radius}, {0, 0, 5 * radius}, 2),
                                         dir.File("field.ms"), "field points"));
        if (radius > 1.0) {
            ExpectRefused(dir, job, {"Function:\tCheckWavelengths",
                                     "the body spans 2000 m, 291.5 wavelengths at 50 Hz",
                                     "scaled by 0.001 (kavoral-mesh import --units mm) it spans 2 m, "
                                     "by 0.01 (--units cm) it spans 20 m",
                                     "the job key ACCEPT SIZE"});
        } else {
            ExpectRefused(dir, job, {"the body spans 0.0002 m, 0.0005831 of a wavelength at 1000 Hz",
                                     "scaled by 1000 (kavoral-mesh import --scale 1000) it spans "
                                     "0.2 m"});
        }
        EXPECT_TRUE(Has(Accepted(dir, job + "ACCEPT SIZE\n"), "Warning: the body spans "));
    }
}

TEST(SweepMistakes, FieldPointsOnTheWrongSideOfTheSurfaceAreNamed) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 2);
    // DIRECTION IN by mistake: every point outside.
    ExpectRefused(dir, SphereJob("DIRECTION IN\nFREQUENCIES 100\n"),
                  {"Function:\tCheckFieldPointSides",
                   "4 of 4 field points lie outside the surface, where the field of DIRECTION IN "
                   "is about zero: point 0 at (0, 0, 1.5), point 1 at (0, 0, 2.66667)",
                   "with DIRECTION OUT they are in the field", "ACCEPT SIDE"});
    // A point inside the body among the others, named by its number in the tables.
    ASSERT_TRUE(meshes::WriteSurface(meshes::LinePoints({0.2, 0.1, 0}, {3, 0, 0}, 2),
                                     dir.File("more.ms"), "more"));
    const std::string job = SphereJob("FIELD_POINTS more.ms\nFREQUENCIES 100\n");
    ExpectRefused(dir, job,
                  {"1 of 6 field points lie inside the body, where the field of DIRECTION OUT is "
                   "about zero: point 4 at (0.2, 0.1, 0); if it is meant"});
    EXPECT_TRUE(Has(Accepted(dir, job + "ACCEPT SIZE SIDE\n"),
                    "Warning: 1 of 6 field points lie inside the body"));
}

TEST(SweepMistakes, ATooCoarseMeshIsNamedInTheLineOfEachFrequencyAndTheTable) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);  // longest edge 0.618 m: six per wavelength up to 92.5 Hz
    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCIES 50 200\n"));
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Has(run.output, "Elements per wavelength by the longest edge 0.618: 11.1 at 50 Hz "
                                "to 2.775 at 200 Hz; the mesh is good up to 92.5 Hz (6 per "
                                "wavelength)\nWarning: 1 of 2 frequencies lie above 92.5 Hz"))
        << run.output;
    const std::size_t first = run.output.find("1 of 2: 50 Hz");
    const std::size_t second = run.output.find("2 of 2: 200 Hz");
    ASSERT_LT(first, second);
    EXPECT_FALSE(Has(run.output.substr(first, second - first), "Warning")) << run.output;
    EXPECT_TRUE(Has(run.output.substr(second),
                    " s; Warning: 2.8 elements per wavelength, fewer than 6: the mesh is too "
                    "coarse\n"))
        << run.output;
    const auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][10], "11.1");
    EXPECT_EQ(rows[1][10], "2.775");
}

// The console piped into a file shows each frequency as soon as it is done, and the log in the
// output folder holds the run. A line held back in a buffer shows only once thousands of bytes
// have gathered: by then dozens of frequencies are done.
TEST(SweepMistakes, EveryFrequencyLineReachesAFileAsSoonAsItIsDone) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 3);
    test::WriteFile(dir.File("job.txt"),
                    SphereJob("CHIEF OFF\nFREQUENCY_RANGE 50 250 40 LIN\n"));
    const std::string console = dir.File("console.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, 1) < 0 || chdir(dir.Path().c_str()) != 0) _exit(127);
        execl(KAVORAL_SWEEP_BINARY, KAVORAL_SWEEP_BINARY, "job.txt", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    bool ended = false;
    while (!Has(seen, "1 of 40: ") && !ended &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(120)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ended = waitpid(child, &status, WNOHANG) == child;
        seen = test::FileExists(console) ? test::ReadFile(console) : std::string();
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    EXPECT_FALSE(ended) << seen;
    EXPECT_TRUE(Has(seen, "1 of 40: 50 Hz")) << seen;
    EXPECT_FALSE(Has(seen, "6 of 40: ")) << seen;
    const std::string log = test::ReadFile(dir.File("out/sweep.log"));
    EXPECT_TRUE(Has(log, "kavoral-sweep: a frequency sweep")) << log;
    EXPECT_TRUE(Has(log, "642 points: ")) << log;  // printed before the folder was made
    EXPECT_TRUE(Has(log, "1 of 40: 50 Hz")) << log;

    // A whole run's log ends with the time it took; a second run adds to it.
    test::WriteFile(dir.File("job.txt"), SphereJob("CHIEF OFF\nFREQUENCIES 50\n"));
    ASSERT_EQ(RunSweep(dir, {"job.txt"}).status, 0);
    const std::string both = test::ReadFile(dir.File("out/sweep.log"));
    EXPECT_EQ(both.compare(0, log.size(), log), 0);
    EXPECT_TRUE(Has(both.substr(log.size()), "Elapsed time: ")) << both;
}

}  // namespace
