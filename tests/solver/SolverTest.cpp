// The three solver commands run in-process in a temporary directory, on matrix, excitation and
// result files written by the tests, checked against the equations they must satisfy.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/SolverFiles.h"
#include "support/TestSupport.h"
#include "solver/Solver.h"

namespace {

ConfigData Config(const std::string& encoding) {
    ConfigData config;
    config.matrixFileMode = encoding == "BINARY" ? matrixFileBinary : matrixFileText;
    return config;
}

struct CommandRun {
    int status = 0;
    std::string console;
    long reports = 0;
};

// Runs one command of a fresh solver in the directory, capturing the console.
template <typename Command>
CommandRun RunSolver(const test::TempDir& dir, const std::string& encoding, Command command) {
    test::ChangeDir inDir(dir.Path());
    test::ConsoleCapture capture;
    CSolver solver(Config(encoding));
    CommandRun run;
    run.status = command(solver);
    run.console = capture.text;
    run.reports = capture.Reports();
    return run;
}

CommandRun SolveSurface(const test::TempDir& dir, const std::string& encoding = "TEXT") {
    return RunSolver(dir, encoding, [](CSolver& solver) {
        return solver.SolveLinearSystem("surface.mtx", "excitation.xct", "surface.res");
    });
}

CommandRun ComputeC(const test::TempDir& dir, const std::string& encoding = "TEXT") {
    return RunSolver(dir, encoding, [](CSolver& solver) {
        return solver.ComputeCMatrix("surface.mtx", "surface_C.mtx");
    });
}

CommandRun MeasuringResults(const test::TempDir& dir, const std::string& encoding = "TEXT") {
    return RunSolver(dir, encoding, [](CSolver& solver) {
        return solver.GetMeasuringResults("points.mtx", "surface.res", "points.res");
    });
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A singular system ends with the one report of the factorisation and leaves no output file.
void ExpectSingularWithoutOutput(const CommandRun& run, const std::string& output) {
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.reports, 1);
    EXPECT_TRUE(Contains(run.console, test::ErrorBlock("CLinEqu", "LUDecompose",
                                                       "Singular coefficient matrix", "A")));
    EXPECT_FALSE(test::FileExists(output));
}

// The binary C matrix file as n x n complex entries; empty when its size is wrong.
std::vector<Complex> ReadBinaryCMatrix(const std::string& path, int n) {
    const std::string bytes = test::ReadFile(path);
    std::vector<Complex> entries;
    const std::size_t expected = 8 + 16 * static_cast<std::size_t>(n) * n;
    if (bytes.size() != expected) return entries;
    std::int32_t dimensions[2];
    std::memcpy(dimensions, bytes.data(), 8);
    if (dimensions[0] != n || dimensions[1] != n) return entries;
    entries.resize(static_cast<std::size_t>(n) * n);
    std::memcpy(entries.data(), bytes.data() + 8, bytes.size() - 8);
    return entries;
}

// ---- AllocateMatrix -------------------------------------------------------------------------

TEST(Solver, AllocatesRowPointerMatrixAndRefusesOneThatCannotExist) {
    RowPointerMatrix matrix = CSolver::AllocateMatrix(3);
    ASSERT_FALSE(matrix.Empty());
    EXPECT_EQ(matrix.rows[1], matrix.rows[0] + 3);
    EXPECT_EQ(matrix.rows[2], matrix.rows[0] + 6);
    CSolver::FreeMatrix(matrix, 3);
    EXPECT_TRUE(matrix.Empty());
    // 2^31 - 1 squared entries of 16 bytes cannot even be counted in memory.
    EXPECT_TRUE(CSolver::AllocateMatrix(INT_MAX).Empty());
}

// ---- -xs ------------------------------------------------------------------------------------

TEST(SurfaceSolution, OnePointGivesTheValuesOfEveryExcitationType) {
    struct Case {
        char type;
        double value;
        Complex pressure;
        Complex velocity;
    };
    const Case cases[] = {
        {'V', 1.0, {0.5, 0}, {1, 0}},
        {'P', 1.0, {1, 0}, {2, 0}},
        {'Z', 3.0, {0, 0}, {0, 0}},
        {'Y', 3.0, {0, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const test::MatrixPair m = test::OneByOne({2, 0}, {1, 0});
        test::WriteMatrixFile(dir.File("surface.mtx"), m, "TEXT");
        test::WriteExcitationFile(dir.File("excitation.xct"), std::string(1, c.type),
                                  {{c.value, 0}});
        const CommandRun run = SolveSurface(dir);
        ASSERT_EQ(run.status, 0) << c.type << run.console;
        const test::ResultFile result = test::ReadResultFile(dir.File("surface.res"));
        ASSERT_TRUE(result.valid) << c.type;
        EXPECT_EQ(result.pressures[0].re, c.pressure.re) << c.type;
        EXPECT_EQ(result.pressures[0].im, c.pressure.im) << c.type;
        EXPECT_EQ(result.velocities[0].re, c.velocity.re) << c.type;
        EXPECT_EQ(result.velocities[0].im, c.velocity.im) << c.type;
    }
}

TEST(SurfaceSolution, AnnouncesEveryStepWithReadyAndCountsRowsOnTheConsole) {
    test::TempDir dir;
    const test::MatrixPair m = test::OneByOne({2, 0}, {1, 0});
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "TEXT");
    test::WriteExcitationFile(dir.File("excitation.xct"), "V", {{1, 0}});
    const CommandRun run = SolveSurface(dir);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.console,
              "Reading excitation data...Ready\nReading surface matrix...Ready\n"
              "Solving linear equation...0/1\rReady\nWriting surface results to file...Ready\n");
    EXPECT_EQ(run.reports, 0);
    const test::ResultFile result = test::ReadResultFile(dir.File("surface.res"));
    ASSERT_EQ(result.header.size(), 4u);
    EXPECT_EQ(result.header[2], "% Matrix from surface.mtx");
    EXPECT_EQ(result.header[3], "% Excitation from excitation.xct");
}

TEST(SurfaceSolution, SolvesMixedExcitationsInBothEncodings) {
    const std::string types = "PVZYVPYZVV";
    const int n = static_cast<int>(types.size());
    std::vector<Complex> e;
    for (int j = 0; j < n; ++j) e.push_back({0.5 + 0.25 * j, 0.125 * (j % 3) - 0.25});
    for (const char* encoding : {"TEXT", "BINARY"}) {
        test::TempDir dir;
        test::MatrixPair m = test::RandomMatrices(n, n, 11u, 4.0);
        test::WriteMatrixFile(dir.File("surface.mtx"), m, encoding);
        test::WriteExcitationFile(dir.File("excitation.xct"), types, e);
        const CommandRun run = SolveSurface(dir, encoding);
        ASSERT_EQ(run.status, 0) << encoding << run.console;
        EXPECT_EQ(test::CheckSurfaceSolution(m, types, e, dir.File("surface.res")), "") << encoding;
    }
}

TEST(SurfaceSolution, RejectsMatrixOfOtherSizeBeforeReadingAnyRow) {
    test::TempDir dir;
    // Only the header: reading a row would fail differently.
    test::WriteMatrixHeader(dir.File("surface.mtx"), 4, 4, "TEXT");
    test::WriteExcitationFile(dir.File("excitation.xct"), "VVV", {{1, 0}, {1, 0}, {1, 0}});
    const CommandRun run = SolveSurface(dir);
    EXPECT_EQ(run.status, -5);
    EXPECT_EQ(run.reports, 1);
    EXPECT_TRUE(Contains(run.console, test::ErrorBlock("CSolver", "SolveLinearSystem",
                                                       "Invalid data", "number of rows")))
        << run.console;
    EXPECT_FALSE(test::FileExists(dir.File("surface.res")));

    test::WriteMatrixHeader(dir.File("surface.mtx"), 3, 4, "BINARY");
    EXPECT_EQ(SolveSurface(dir, "BINARY").status, -5);
}

TEST(SurfaceSolution, SingularSystemWritesNoResultFile) {
    test::TempDir dir;
    test::MatrixPair m = test::RandomMatrices(3, 3, 5u, 0.0);
    m.A(0, 0) = {0, 0};  // "V" everywhere: the system matrix is A itself
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "BINARY");
    test::WriteExcitationFile(dir.File("excitation.xct"), "VVV", {{1, 0}, {1, 0}, {1, 0}});
    const CommandRun run = SolveSurface(dir, "BINARY");
    ExpectSingularWithoutOutput(run, dir.File("surface.res"));
}

TEST(SurfaceSolution, PassesOnTheReportOfAMissingRow) {
    test::TempDir dir;
    test::WriteMatrixFile(dir.File("surface.mtx"), test::RandomMatrices(3, 3, 1u, 4.0), "TEXT", 2);
    test::WriteExcitationFile(dir.File("excitation.xct"), "VVV", {{1, 0}, {1, 0}, {1, 0}});
    const CommandRun run = SolveSurface(dir);
    EXPECT_EQ(run.status, -6);
    EXPECT_EQ(run.reports, 1);
    EXPECT_FALSE(test::FileExists(dir.File("surface.res")));
}

// ---- -mi ------------------------------------------------------------------------------------

TEST(CMatrix, OneByOneGivesQuotientOfBAndA) {
    test::TempDir dir;
    const test::MatrixPair m = test::OneByOne({2, 0}, {1, 1});
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "TEXT");
    const CommandRun run = ComputeC(dir);
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(run.console,
              "Reading surface matrices...Ready\nLU decomposition of matrix A ...\n0/1\rReady\n"
              "Multiplying matrices...\n0/1\rReady\nWriting results to C matrix file...Ready\n");
    const std::string text = test::ReadFile(dir.File("surface_C.mtx"));
    EXPECT_TRUE(Contains(text, "\n1 1\n0 0\t0.500000 0.500000\n")) << text;
}

TEST(CMatrix, IdentityAGivesBExactlyAcrossColumnBlocks) {
    const int n = 70;  // more columns than one block
    test::TempDir dir;
    test::MatrixPair m = test::RandomMatrices(n, n, 3u, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m.A(i, j) = {i == j ? 1.0 : 0.0, 0.0};
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "BINARY");
    const CommandRun run = ComputeC(dir, "BINARY");
    ASSERT_EQ(run.status, 0);
    const std::vector<Complex> c = ReadBinaryCMatrix(dir.File("surface_C.mtx"), n);
    ASSERT_EQ(c.size(), m.b.size());
    EXPECT_EQ(std::memcmp(c.data(), m.b.data(), c.size() * sizeof(Complex)), 0);
    // The column counter runs 0/n .. (n-1)/n after the factorisation's.
    const std::string columns = run.console.substr(run.console.find("Multiplying matrices...\n"));
    EXPECT_TRUE(Contains(columns, "0/70\r1/70\r")) << columns;
    EXPECT_TRUE(Contains(columns, "69/70\rReady\n"));
}

TEST(CMatrix, ProductOfAAndCGivesB) {
    const int n = 37;
    test::TempDir dir;
    test::MatrixPair m = test::RandomMatrices(n, n, 8u, 6.0);
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "BINARY");
    ASSERT_EQ(ComputeC(dir, "BINARY").status, 0);
    const std::vector<Complex> c = ReadBinaryCMatrix(dir.File("surface_C.mtx"), n);
    ASSERT_EQ(c.size(), m.b.size());
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            Complex sum{0, 0};
            for (int k = 0; k < n; ++k) sum += m.A(i, k) * c[static_cast<std::size_t>(k) * n + j];
            EXPECT_LT(Abs(sum - m.B(i, j)), 1e-12) << i << " " << j;
        }
}

TEST(CMatrix, RejectsNonSquareMatricesBeforeAllocatingThem) {
    test::TempDir dir;
    // Square at this size could not be allocated: the check must come first.
    test::WriteMatrixHeader(dir.File("surface.mtx"), 3, INT_MAX, "TEXT");
    const CommandRun run = ComputeC(dir, "TEXT");
    EXPECT_EQ(run.status, -5);
    EXPECT_EQ(run.reports, 1);
    EXPECT_TRUE(Contains(run.console, test::ErrorBlock("CSolver", "ComputeCMatrix", "Invalid data",
                                                       "number of rows")));
}

TEST(CMatrix, HugeHeaderEndsWithCleanReport) {
    test::TempDir dir;
    test::WriteMatrixHeader(dir.File("surface.mtx"), INT_MAX, INT_MAX, "TEXT");
    CommandRun run = ComputeC(dir, "TEXT");
    EXPECT_EQ(run.status, -4);
    EXPECT_EQ(run.reports, 1);
    EXPECT_TRUE(Contains(run.console, test::ErrorBlock("CSolver", "ComputeCMatrix",
                                                       "Not enough memory to run the program")));
    // Large but countable: refused, or allocated untouched and stopped at the missing row.
    test::WriteMatrixHeader(dir.File("surface.mtx"), 60000, 60000, "BINARY");
    run = ComputeC(dir, "BINARY");
    EXPECT_TRUE(run.status == -4 || run.status == -6) << run.status;
    EXPECT_EQ(run.reports, 1);
    EXPECT_FALSE(test::FileExists(dir.File("surface_C.mtx")));
}

TEST(CMatrix, ZeroFirstEntryOfAFailsAndWritesNoFile) {
    test::TempDir dir;
    test::MatrixPair m = test::ZeroMatrices(2, 2);
    m.A(0, 1) = {1, 0};
    m.A(1, 0) = {1, 0};
    test::WriteMatrixFile(dir.File("surface.mtx"), m, "TEXT");
    const CommandRun run = ComputeC(dir);
    ExpectSingularWithoutOutput(run, dir.File("surface_C.mtx"));
}

// ---- -xm ------------------------------------------------------------------------------------

TEST(MeasuringResults, OnePointGivesOneOverFourPi) {
    test::TempDir dir;
    const test::MatrixPair m = test::OneByOne({2, 0}, {1, 0});
    test::WriteMatrixFile(dir.File("points.mtx"), m, "TEXT");
    test::WriteResultFile(dir.File("surface.res"), {{1, 0}}, {{1, 0}});
    const CommandRun run = MeasuringResults(dir);
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(run.console,
              "Reading surface results...Ready\nReading measuring point matrices...Ready\n"
              "Writing measuring point results to file...Ready\n");
    const test::ResultFile result = test::ReadResultFile(dir.File("points.res"));
    ASSERT_TRUE(result.valid);
    EXPECT_EQ(result.pointLines[0], "0\t0.0795775 0\t0.0 0.0");
    EXPECT_EQ(result.header[2], "% Matrix from points.mtx");
    EXPECT_EQ(result.header[3], "% Excitation from surface.res");
}

TEST(MeasuringResults, CombinesEveryRowWithSurfacePressuresAndVelocities) {
    const int rows = 5, columns = 12;
    std::vector<Complex> p, v;
    for (int j = 0; j < columns; ++j) {
        p.push_back({0.5 * j - 2, 0.25 * (j % 4)});
        v.push_back({0.125 * j, -0.5 * (j % 3)});
    }
    for (const char* encoding : {"TEXT", "BINARY"}) {
        test::TempDir dir;
        test::MatrixPair m = test::RandomMatrices(rows, columns, 21u, 0.0);
        test::WriteMatrixFile(dir.File("points.mtx"), m, encoding);
        test::WriteResultFile(dir.File("surface.res"), p, v);
        ASSERT_EQ(MeasuringResults(dir, encoding).status, 0) << encoding;
        const test::ResultFile result = test::ReadResultFile(dir.File("points.res"));
        ASSERT_TRUE(result.valid);
        ASSERT_EQ(result.pressures.size(), static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i) {
            // Pressure terms minus velocity terms, over 4 pi.
            Complex expected{0, 0};
            for (int j = 0; j < columns; ++j) expected += m.A(i, j) * p[j];
            for (int j = 0; j < columns; ++j) expected -= m.B(i, j) * v[j];
            const double fourPi = 16.0 * std::atan(1.0);
            EXPECT_NEAR(result.pressures[i].re, expected.re / fourPi, 1e-5) << i;
            EXPECT_NEAR(result.pressures[i].im, expected.im / fourPi, 1e-5) << i;
            EXPECT_EQ(result.velocities[i].re, 0.0);
            EXPECT_EQ(result.velocities[i].im, 0.0);
        }
    }
}

TEST(MeasuringResults, RejectsSurfaceResultOfOtherSizeAfterOpeningTheMatrix) {
    test::TempDir dir;
    test::WriteMatrixHeader(dir.File("points.mtx"), 5, 12, "TEXT");
    test::WriteResultFile(dir.File("surface.res"), std::vector<Complex>(11, Complex{1, 0}),
                          std::vector<Complex>(11, Complex{0, 0}));
    const CommandRun run = MeasuringResults(dir);
    EXPECT_EQ(run.status, -5);
    EXPECT_EQ(run.reports, 1);
    EXPECT_TRUE(Contains(run.console, "Reading measuring point matrices...Ready\n"));
    EXPECT_TRUE(Contains(run.console, test::ErrorBlock("CSolver", "GetMeasuringResults",
                                                       "Invalid data", "number of rows")));
    EXPECT_FALSE(test::FileExists(dir.File("points.res")));
}

TEST(MeasuringResults, HeaderClaimingHugeRowCountEndsWithCleanReport) {
    test::TempDir dir;
    test::MatrixPair m = test::RandomMatrices(1, 2, 2u, 0.0);
    m.rows = INT_MAX;
    test::WriteMatrixFile(dir.File("points.mtx"), m, "BINARY", 1);
    test::WriteResultFile(dir.File("surface.res"), {{1, 0}, {1, 0}}, {{0, 0}, {0, 0}});
    const CommandRun run = MeasuringResults(dir, "BINARY");
    EXPECT_TRUE(run.status == -4 || run.status == -6) << run.status;
    EXPECT_EQ(run.reports, 1);
    EXPECT_FALSE(test::FileExists(dir.File("points.res")));
}

}  // namespace
