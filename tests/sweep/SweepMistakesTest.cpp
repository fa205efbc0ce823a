// The mistakes a new user makes with the sweep program, each named before any frequency is
// solved, and what the program shows while it runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
