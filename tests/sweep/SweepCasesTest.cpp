// Load cases through the sweep program: a two-driver cabinet whose drivers and their sum come
// out of one run, the sum equal to the run with both drivers in one case, and the cases kept
// apart in the tables and files, through --resume, --part and --merge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "meshes/Mesh.h"
#include "sweep/JobFile.h"
#include "sweep/SweepSupport.h"

namespace {

using sweeptest::CsvRows;
using sweeptest::RunSweep;

// A closed box of 0.4 m whose front face (z = 0.2) holds a woofer below and a tweeter above.
void WriteCabinet(const test::TempDir& dir) {
    sweeptest::WriteSphere(dir, 1);  // the rules and the field points
    const meshes::Mesh m = meshes::CubeOfSquares(0.4, 4);
    ASSERT_TRUE(meshes::WriteSurface(m, dir.File("cabinet.srf"), "cabinet"));
    std::string regions = "% regions\n";
    for (const SurfaceElement& e : m.elements) {
        const Vector3 c = meshes::Centroid(m, e);
        regions += c.z > 0.19 ? (c.y < 0.0 ? "woofer\n" : "tweeter\n") : "box\n";
    }
    test::WriteFile(dir.File("cabinet.regions"), regions);
}

std::string CabinetJob(const std::string& lines) {
    return "DENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE cabinet.srf\nREGIONS cabinet.regions\n"
           "FIELD_POINTS field.ms\nFREQUENCIES 200 400\nCHIEF OFF\nOUTPUT out\n"
           "BOUNDARY ALL V 0 0\n" +
           lines + "ACCEPT UNTRUSTED\n";
}

const char* const twoDrivers =
    "CASE woofer\nBOUNDARY woofer V 1 0\n"
    "CASE tweeter\nBOUNDARY tweeter V 0.3 -0.4\n"
    "COMBINE sum woofer 1 0 tweeter 0.5 0.25\n";
// (0.3 - 0.4j)(0.5 + 0.25j) = 0.25 - 0.125j
const char* const bothDrivers = "BOUNDARY woofer V 1 0\nBOUNDARY tweeter V 0.25 -0.125\n";

std::vector<FrequencyResult> SolveJob(const test::TempDir& dir, const std::string& text) {
    test::ConsoleCapture capture;
    SweepJob job;
    EXPECT_EQ(ReadJobText(text, dir.File("job.txt"), job), 0) << capture.text;
    Model model;
    EXPECT_EQ(PrepareModel(job, model), 0) << capture.text;
    std::vector<FrequencyResult> results;
    EXPECT_EQ(CFrequencySolver().SolveCases(model, 400.0, FrequencyOptions{}, results), 0);
    return results;
}

// The rows without their seconds column.
std::vector<std::vector<std::string>> WithoutSeconds(std::vector<std::vector<std::string>> rows) {
    for (auto& row : rows) row.erase(row.begin() + 8);
    return rows;
}

TEST(SweepCases, TwoDriversAndTheirSumComeOutOfOneRunAndTheSumIsTheRunWithBoth) {
    test::TempDir dir;
    WriteCabinet(dir);
    const std::vector<FrequencyResult> cases = SolveJob(dir, CabinetJob(twoDrivers));
    const std::vector<FrequencyResult> both = SolveJob(dir, CabinetJob(bothDrivers));
    ASSERT_EQ(cases.size(), 3u);
    ASSERT_EQ(both.size(), 1u);
    // Measured: 1.1e-15 and below; bound 1e-10.
    EXPECT_LT(test::LargestRelativeDifference(cases[2].pressures, both[0].pressures), 1e-10);
    EXPECT_LT(test::LargestRelativeDifference(cases[2].field, both[0].field), 1e-10);
    EXPECT_NEAR(cases[2].power, both[0].power, 1e-10 * both[0].power);

    test::WriteFile(dir.File("job.txt"), CabinetJob(twoDrivers));
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("2 load cases (woofer, tweeter) in 1 group of the same system "
                              "matrix: 1 factorisation per frequency, 1 combination"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("2 of 2: 400 Hz, ka "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(", 3 cases, 1 factorisation; woofer, residual "), std::string::npos)
        << run.output;

    const auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 6u);
    const char* const order[] = {"woofer", "tweeter", "sum"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 14u);
        EXPECT_EQ(rows[i][0], i < 3 ? "200" : "400");
        EXPECT_EQ(rows[i][13], order[i % 3]);
    }
    const auto field = CsvRows(dir.File("out/field.csv"));
    ASSERT_EQ(field.size(), 2u * 3u * 4u);
    EXPECT_EQ(field[4][12], "tweeter");
    for (const char* name : {"surface_200Hz_woofer.res", "field_400Hz_sum.res",
                             "surface_400Hz_tweeter.res", "surface_400Hz.vtu", "sweep.pvd"}) {
        EXPECT_TRUE(test::FileExists(dir.File(std::string("out/") + name))) << name;
    }
    EXPECT_FALSE(test::FileExists(dir.File("out/surface_400Hz.res")));
    const std::string vtu = test::ReadFile(dir.File("out/surface_400Hz.vtu"));
    for (const char* array : {"\"p_re_woofer\"", "\"abs_v_tweeter\"", "\"spl_db_sum\""})
        EXPECT_NE(vtu.find(array), std::string::npos) << array;

    // A frequency is done when all its cases are.
    std::remove(dir.File("out/surface_400Hz_tweeter.res").c_str());
    const test::RunResult resumed = RunSweep(dir, {"--resume", "job.txt"});
    ASSERT_EQ(resumed.status, 0) << resumed.output;
    EXPECT_NE(resumed.output.find("1 of 2 frequencies to solve, 1 already done"),
              std::string::npos)
        << resumed.output;
    EXPECT_EQ(WithoutSeconds(CsvRows(dir.File("out/frequencies.csv"))), WithoutSeconds(rows));
    EXPECT_EQ(CsvRows(dir.File("out/field.csv")), field);

    // Two parts merged give the tables of the whole run.
    test::WriteFile(dir.File("parts.txt"), CabinetJob(twoDrivers) + "OUTPUT parts\n");
    ASSERT_EQ(RunSweep(dir, {"--part", "1/2", "parts.txt"}).status, 0);
    ASSERT_EQ(RunSweep(dir, {"--part", "2/2", "parts.txt"}).status, 0);
    const test::RunResult merge = RunSweep(dir, {"--merge", "parts"});
    ASSERT_EQ(merge.status, 0) << merge.output;
    EXPECT_EQ(WithoutSeconds(CsvRows(dir.File("parts/frequencies.csv"))), WithoutSeconds(rows));
    EXPECT_EQ(CsvRows(dir.File("parts/field.csv")), field);
}

TEST(SweepCases, RefusesCasesWithoutConditionsAndCombinationsOfUnknownCases) {
    test::TempDir dir;
    WriteCabinet(dir);
    const struct {
        const char* lines;
        const char* report;
    } faults[] = {
        {"CASE woofer\nBOUNDARY woofer V 1 0\nCOMBINE sum woofer 1\n",
         "line 12, COMBINE: expected: name case weight_re weight_im"},
        {"CASE woofer\nBOUNDARY woofer V 1 0\nCOMBINE sum port 1 0\n",
         "line 12, COMBINE: no CASE 'port'"},
        {"CASE two words\n", "line 10, CASE: expected: a case name (one word)"},
        {"CASE woofer\nEXCITATION none.xct\n", "EXCITATION: CASE woofer: an excitation file and "
                                                "BOUNDARY lines"},
    };
    for (const auto& fault : faults) {
        test::WriteFile(dir.File("job.txt"), CabinetJob(fault.lines));
        const test::RunResult run = RunSweep(dir, {"job.txt"});
        EXPECT_NE(run.status, 0) << fault.lines;
        EXPECT_NE(run.output.find(fault.report), std::string::npos) << run.output;
    }
}

}  // namespace
