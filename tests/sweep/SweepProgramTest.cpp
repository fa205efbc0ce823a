// The sweep program as a user runs it: its results equal those of the five commands bit for bit
// with CHIEF off, its files, its refusals before any work, a failed frequency among good ones,
// resuming, and a sweep split into parts and merged.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "solver/Solver.h"
#include "SweepSupport.h"
#include "frequency/FrequencySolver.h"
#include "sweep/JobFile.h"
#include "frequency/Model.h"

namespace {

using sweeptest::CsvRows;
using sweeptest::RunSweep;
using sweeptest::SphereJob;

// The lines of a result file after its four header lines.
std::string PointLines(const std::string& fileName) {
    std::istringstream lines(test::ReadFile(fileName));
    std::string line, kept;
    for (int i = 0; std::getline(lines, line); ++i) {
        if (i >= 4) kept += line + "\n";
    }
    return kept;
}

void ReadMatrices(const std::string& fileName, int& rows, int& columns, std::vector<Complex>& a,
                  std::vector<Complex>& b) {
    CFileIO io;
    ASSERT_EQ(io.OpenMatrixFileR(fileName.c_str(), &rows, &columns, matrixFileBinary), 0);
    a.resize(static_cast<std::size_t>(rows) * columns);
    b.resize(a.size());
    for (int r = 0; r < rows; ++r) {
        const std::size_t offset = static_cast<std::size_t>(r) * columns;
        ASSERT_EQ(io.ReadMatrixRow(a.data() + offset, b.data() + offset), 0);
    }
    ASSERT_EQ(io.CloseMatrixFile(), 0);
}

bool SameBits(const std::vector<Complex>& x, const std::vector<Complex>& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(Complex)) == 0;
}

TEST(SweepProgram, WithChiefOffGivesTheResultsOfTheFiveCommandsBitForBit) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 2);
    const std::string config =
        "DENSITY 1.2\nSOUND_VELOCITY 343 0\nPOINT_EPS 1e-6\nPARA_EPS 1e-3\n"
        "DIVISION 0.65 1.95\nMATRIX_EPS 1e-10\nMATRIX_FILE BINARY\n";
    test::WriteFile(dir.File("Kavoral.cfg"), config);
    // Every kind of condition, so that every branch of the assembly is compared.
    const meshes::Mesh sphere = meshes::Icosphere(1.0, 2);
    std::string excitation = std::to_string(sphere.points.size()) + "\n";
    for (std::size_t i = 0; i < sphere.points.size(); ++i) {
        const char* kinds[] = {"V 1 0.25", "V 0.5 0", "Z 412 16", "Y 0.0025 0", "P 1 0"};
        excitation += std::to_string(i) + " " + kinds[i % 10 == 9 ? 4 : i % 4] + "\n";
    }
    test::WriteFile(dir.File("excitation.xct"), excitation);
    const std::string f = sweeptest::FrequencyOfKa(3.1);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-ms", f, "sphere.srf", "OUT", "surface.mtx"},
          std::vector<std::string>{"-xs", "surface.mtx", "excitation.xct", "surface.res"},
          std::vector<std::string>{"-mm", f, "sphere.srf", "OUT", "field.ms", "field.mtx"},
          std::vector<std::string>{"-xm", "field.mtx", "surface.res", "field.res"}}) {
        const test::RunResult run = test::RunKavoral(dir.Path(), arguments);
        ASSERT_EQ(run.status, 0) << arguments[0] << run.output;
    }
    const std::string job = config +
                            "SURFACE sphere.srf\nEXCITATION excitation.xct\n"
                            "FIELD_POINTS field.ms\nCHIEF OFF\nACCEPT UNTRUSTED\nOUTPUT out\n"
                            "FREQUENCIES " +
                            f + "\n";
    test::WriteFile(dir.File("job.txt"), job);
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string name =
        "_" + sweeptest::CsvRows(dir.File("out/frequencies.csv"))[0][0] + "Hz.res";
    EXPECT_EQ(PointLines(dir.File("out/surface" + name)), PointLines(dir.File("surface.res")));
    // The field result of -xm starts from the six digits of surface.res; the sweep's from the
    // surface solution itself, compared below with the -xm arithmetic on the -mm matrices.

    // In memory, before any rounding to text: the same values to the last bit.
    test::ChangeDir here(dir.Path());
    test::ConsoleCapture console;
    SweepJob sweepJob;
    ASSERT_EQ(CJobFile().Read("job.txt", sweepJob), 0);
    Model model;
    ASSERT_EQ(PrepareModel(sweepJob, model), 0) << console.text;
    FrequencyOptions options;
    FrequencyResult result;
    ASSERT_EQ(CFrequencySolver().Solve(model, sweepJob.frequencies[0], options, result), 0);

    int rows = 0, columns = 0;
    std::vector<Complex> a, b, pressures, velocities;
    ReadMatrices("surface.mtx", rows, columns, a, b);
    ASSERT_EQ(CSolver(sweepJob.config)
                  .SolveSurfaceSystem(rows, a.data(), b.data(), model.cases[0].excitation.types.data(),
                                      model.cases[0].excitation.values.data(), pressures, velocities),
              0);
    EXPECT_TRUE(SameBits(pressures, result.pressures));
    EXPECT_TRUE(SameBits(velocities, result.velocities));
    ReadMatrices("field.mtx", rows, columns, a, b);
    std::vector<Complex> field(static_cast<std::size_t>(rows));
    CSolver::GetFieldPressures(rows, columns, a.data(), b.data(), pressures.data(),
                               velocities.data(), field.data());
    EXPECT_TRUE(SameBits(field, result.field));
}

TEST(SweepProgram, WritesTablesResultFilesAndParaViewFilesForEveryFrequency) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    test::WriteFile(dir.File("job.txt"),
                    SphereJob("FREQUENCIES 50 100\nFREQUENCY_RANGE 150 200 2 LIN\n"));
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(
                  "DIVISION 1.23607 3.7082 (2 and 6 times the longest element edge 0.618034)"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("42 points: 0 MB per matrix"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("4 of 4: 200 Hz, ka "), std::string::npos) << run.output;

    const auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "50");
    EXPECT_EQ(rows[3][0], "200");
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 13u);
        EXPECT_EQ(row[6], "dense");
        EXPECT_TRUE(row[9] == "trusted" || row[9] == "untrusted") << row[9];
        // The pulsating sphere radiates; the level is re 1 pW.
        EXPECT_GT(std::stod(row[11]), 0.0);
        EXPECT_NEAR(std::stod(row[12]), 10.0 * std::log10(std::stod(row[11]) / 1e-12), 1e-3);
        EXPECT_EQ(row[7], "0");
        EXPECT_EQ(row[2], "42");
        EXPECT_EQ(row[5], "0");
    }
    // Without load cases the case column is there and empty.
    const std::string table = test::ReadFile(dir.File("out/frequencies.csv"));
    EXPECT_EQ(table.substr(0, table.find('\n') + 1),
              "frequency_hz,ka,points,chief_points,interior_residual,status,solver,iterations,"
              "seconds,trust,elements_per_wavelength,power_w,power_db,case\n");
    EXPECT_EQ(table.substr(table.find('\n', table.find('\n') + 1) - 1, 2), ",\n");
    const auto field = CsvRows(dir.File("out/field.csv"));
    ASSERT_EQ(field.size(), 16u);
    EXPECT_EQ(field[5][0], "100");
    EXPECT_EQ(field[5][1], "1");
    ASSERT_EQ(field[5].size(), 12u);
    // spl_db of |p| and the phase of p.
    const double re = std::stod(field[5][5]), im = std::stod(field[5][6]);
    EXPECT_NEAR(std::stod(field[5][8]), 20 * std::log10(std::hypot(re, im) / std::sqrt(2.0) / 2e-5),
                1e-3);
    EXPECT_NEAR(std::stod(field[5][9]), std::atan2(im, re) * 45.0 / std::atan(1.0), 1e-3);

    for (const char* name : {"surface_50Hz.res", "field_50Hz.res", "surface_200Hz.vtu",
                             "field_200Hz.vtu", "sweep.pvd"}) {
        EXPECT_TRUE(test::FileExists(dir.File(std::string("out/") + name))) << name;
    }
    const std::string pvd = test::ReadFile(dir.File("out/sweep.pvd"));
    EXPECT_NE(pvd.find("<DataSet timestep=\"150\" part=\"0\" file=\"surface_150Hz.vtu\"/>"),
              std::string::npos);
    const std::string vtu = test::ReadFile(dir.File("out/surface_100Hz.vtu"));
    EXPECT_NE(vtu.find("<Piece NumberOfPoints=\"42\" NumberOfCells=\"80\">"), std::string::npos);
    for (const char* array : {"\"p_re\"", "\"abs_p\"", "\"spl_db\"", "\"v_re\""}) {
        EXPECT_NE(vtu.find(array), std::string::npos) << array;
    }
    EXPECT_NE(
        test::ReadFile(dir.File("out/field_100Hz.res")).find("% Excitation from surface_100Hz.res"),
        std::string::npos);
}

TEST(SweepProgram, FindsItsRulesWithoutAWorkingDirectoryAndNamesTheFileItRead) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    std::filesystem::rename(dir.File("Gauss.cfs"), dir.File("rules.cfs"));
    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCIES 100\n"));
    test::RunResult run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::size_t named = run.output.find("Quadrature rules from /");
    ASSERT_NE(named, std::string::npos) << run.output;
    EXPECT_EQ(run.output.compare(run.output.find('\n', named) - 10, 10, "/Gauss.cfs"), 0)
        << run.output;
    const std::string frequencies = test::ReadFile(dir.File("out/frequencies.csv"));

    // The file a RULES key names, relative to the job file, gives the same numbers.
    test::WriteFile(dir.File("job.txt"),
                    SphereJob("FREQUENCIES 100\nRULES rules.cfs\nOUTPUT o2\n"));
    run = RunSweep(dir, {"job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Quadrature rules from rules.cfs\n"), std::string::npos)
        << run.output;
    const auto seconds = [](std::vector<std::vector<std::string>> rows) {
        for (auto& row : rows) row.erase(row.begin() + 8);  // the time taken
        return rows;
    };
    EXPECT_EQ(seconds(CsvRows(dir.File("o2/frequencies.csv"))),
              seconds(CsvRows(dir.File("out/frequencies.csv"))));
    EXPECT_FALSE(frequencies.empty());

    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCIES 100\nRULES none.cfs\n"));
    run = RunSweep(dir, {"job.txt"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find("RULES: cannot open"), std::string::npos) << run.output;
}

TEST(SweepProgram, RefusesABadJobBeforeAnyWork) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    const auto expectRefusal = [&](const std::string& job, const std::string& comment) {
        test::WriteFile(dir.File("job.txt"), job);
        const test::RunResult run = RunSweep(dir, {"job.txt"});
        EXPECT_NE(run.status, 0) << job;
        EXPECT_NE(run.output.find(comment), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("of 1:"), std::string::npos) << run.output;
        EXPECT_FALSE(test::FileExists(dir.File("out")));
    };
    expectRefusal(SphereJob("FREQUENCIES 100 abc\n"),
                  "job.txt line 8, FREQUENCIES: 'abc' is not a frequency above 0");
    expectRefusal(SphereJob("FREQUENCIES 100\nREGIONS regions.txt\n"),
                  "job.txt line 9, REGIONS: cannot open");
    test::WriteFile(dir.File("regions.txt"), "cone\n");
    expectRefusal(
        "SURFACE sphere.srf\nREGIONS regions.txt\nBOUNDARY ALL V 0 0\nBOUNDARY port V 1 0\n"
        "FREQUENCIES 100\nOUTPUT out\n",
        "the regions file names 1 elements, the surface file has 80");
    std::string regions;
    for (int e = 0; e < 80; ++e) regions += e < 5 ? "cone\n" : "wall\n";
    test::WriteFile(dir.File("regions.txt"), regions);
    expectRefusal(
        "SURFACE sphere.srf\nREGIONS regions.txt\nBOUNDARY ALL V 0 0\nBOUNDARY port V 1 0\n"
        "FREQUENCIES 100\nOUTPUT out\n",
        "job.txt line 4, BOUNDARY: no element is in region 'port'");
    expectRefusal(SphereJob("FREQUENCIES 100\nCHIEF 1000\n"), "CHIEF 1000 needs 1010");
    // A point source outside the fluid, on the surface or on a field point.
    expectRefusal(SphereJob("FREQUENCIES 100\nINCIDENT POINT 1 0 0.1 0.2 0\n"),
                  "INCIDENT POINT at (0.1, 0.2, 0) lies inside the body");
    expectRefusal(SphereJob("FREQUENCIES 100\nINCIDENT POINT 1 0 0 0 5\n"),
                  "INCIDENT POINT at (0, 0, 5) is a field point");
    {
        // Point 0 of the surface file, as the file has it.
        std::istringstream file(test::ReadFile(dir.File("sphere.srf")));
        std::string line;
        while (std::getline(file, line) && line[0] == '%') {
        }
        std::getline(file, line);
        std::istringstream record(line);
        int index = 0;
        std::string x, y, z;
        record >> index >> x >> y >> z;
        expectRefusal(
            SphereJob("FREQUENCIES 100\nINCIDENT POINT 1 0 " + x + " " + y + " " + z + "\n"),
            "lies on the surface; a source must be in the fluid");
    }
    // The fluid of an interior problem is inside.
    expectRefusal(SphereJob("FREQUENCIES 100\nDIRECTION IN\nACCEPT SIDE\nINCIDENT POINT 1 0 0 0 3\n"),
                  "INCIDENT POINT at (0, 0, 3) lies outside the surface");
    EXPECT_EQ(RunSweep(dir, {}).status, 2);
    EXPECT_EQ(RunSweep(dir, {"--part", "3/2", "job.txt"}).status, 2);
}

TEST(SweepProgram, AFailedFrequencyIsRecordedAndTheOthersGoOn) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    // With every pressure given the system is -B, which vanishes with the frequency: at 1e-12 Hz
    // its pivots are far below the least the factorisation accepts.
    test::WriteFile(
        dir.File("job.txt"),
        "SURFACE sphere.srf\nBOUNDARY ALL P 0 0\nFREQUENCIES 100 1e-12 200\nOUTPUT out\n");
    const test::RunResult run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Message:\tSingular coefficient matrix"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("1 of 3: 1e-12 Hz, ka 1.832e-14, FAILED with status -1"),
              std::string::npos)
        << run.output;
    const auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][5], "-1");
    EXPECT_EQ(rows[1][5], "0");
    EXPECT_EQ(rows[2][5], "0");
    EXPECT_FALSE(test::FileExists(dir.File("out/surface_1e-12Hz.res")));
    EXPECT_TRUE(test::FileExists(dir.File("out/surface_200Hz.res")));
}

TEST(SweepProgram, FrequenciesUntrustedAfterChiefAreSaidSoAndSetTheExitStatus) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 2);
    // No solution meets so tiny a limit, with CHIEF or without.
    const std::string sphere =
        "SURFACE sphere.srf\nBOUNDARY ALL V 1 0\nOUTPUT out\nFREQUENCIES 50 100\n";
    const std::string job = sphere + "RESIDUAL_LIMIT 1e-12\n";
    test::WriteFile(dir.File("job.txt"), job);
    test::RunResult run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 13) << run.output;
    EXPECT_NE(run.output.find("2 of 2: 100 Hz"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(", untrusted, "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("2 frequencies untrusted: their residual stays above 1e-12 after "
                              "CHIEF (50, 100 Hz)\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Elapsed time"), std::string::npos) << run.output;
    auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][5], "0");
    EXPECT_EQ(rows[0][9], "untrusted");
    EXPECT_EQ(rows[1][9], "untrusted");

    // Resumed, the frequencies done still count.
    run = RunSweep(dir, {"--resume", "job.txt"});
    EXPECT_EQ(run.status, 13) << run.output;

    test::WriteFile(dir.File("job.txt"), job + "ACCEPT UNTRUSTED\n");
    run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Warning: 2 frequencies untrusted"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("accepted by ACCEPT UNTRUSTED"), std::string::npos) << run.output;

    // At the default limit the same sweep is trusted.
    test::WriteFile(dir.File("job.txt"), sphere);
    run = RunSweep(dir, {"job.txt"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("untrusted"), std::string::npos) << run.output;
    rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][9], "trusted");
}

TEST(SweepProgram, ResumeSkipsTheFrequenciesAlreadyDone) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCIES 100 200\n"));
    ASSERT_EQ(RunSweep(dir, {"job.txt"}).status, 0);
    const std::string first = test::ReadFile(dir.File("out/surface_100Hz.res"));
    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCIES 100 200 300\n"));
    const test::RunResult run = RunSweep(dir, {"--resume", "job.txt"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("1 of 3 frequencies to solve, 2 already done"), std::string::npos)
        << run.output;
    EXPECT_EQ(test::ReadFile(dir.File("out/surface_100Hz.res")), first);  // not written again
    const auto rows = CsvRows(dir.File("out/frequencies.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][0], "300");
    EXPECT_EQ(CsvRows(dir.File("out/field.csv")).size(), 12u);
}

TEST(SweepProgram, TwoPartsRunThroughGnuParallelMergeIntoWhatOneRunGives) {
    if (std::system("command -v parallel > /dev/null") != 0) GTEST_SKIP() << "GNU parallel missing";
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 1);
    test::WriteFile(dir.File("job.txt"), SphereJob("FREQUENCY_RANGE 100 400 5 LIN\n"));
    test::WriteFile(dir.File("one.txt"),
                    SphereJob("FREQUENCY_RANGE 100 400 5 LIN\n") + "OUTPUT whole\n");
    ASSERT_EQ(RunSweep(dir, {"one.txt"}).status, 0);
    const std::string command =
        "cd '" + dir.Path() + "' && parallel --will-cite --halt now,fail=1 '" +
        std::string(KAVORAL_SWEEP_BINARY) + " --part {}/2 job.txt > part{}.txt' ::: 1 2";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(CsvRows(dir.File("out/frequencies.part1of2.csv")).size(), 3u);
    EXPECT_EQ(CsvRows(dir.File("out/frequencies.part2of2.csv")).size(), 2u);
    const test::RunResult merge = RunSweep(dir, {"--merge", "out"});
    ASSERT_EQ(merge.status, 0) << merge.output;
    // The tables agree but for the seconds each frequency took.
    const auto merged = CsvRows(dir.File("out/frequencies.csv"));
    const auto whole = CsvRows(dir.File("whole/frequencies.csv"));
    ASSERT_EQ(merged.size(), whole.size());
    for (std::size_t i = 0; i < merged.size(); ++i) {
        std::vector<std::string> a = merged[i], b = whole[i];
        a.erase(a.begin() + 8);
        b.erase(b.begin() + 8);
        EXPECT_EQ(a, b);
    }
    EXPECT_EQ(test::ReadFile(dir.File("out/field.csv")),
              test::ReadFile(dir.File("whole/field.csv")));
    EXPECT_EQ(test::ReadFile(dir.File("out/sweep.pvd")),
              test::ReadFile(dir.File("whole/sweep.pvd")));
    EXPECT_NE(RunSweep(dir, {"--merge", "whole"}).status, 0);  // no parts there
}

}  // namespace
