// The factorisation and substitution on small exact cases, on the pivot bound, and on random
// systems against a literal transcription of the algorithm and against the residual.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "support/TestSupport.h"
#include "solver/LinEqu.h"

namespace {

// An n x m complex matrix in row-pointer form for the tests.
struct Rows {
    Rows(int n, int m) : entries(static_cast<std::size_t>(n) * m), rows(n) {
        for (int i = 0; i < n; ++i) rows[i] = entries.data() + static_cast<std::size_t>(i) * m;
    }
    Complex* const* Get() { return rows.data(); }
    std::vector<Complex> entries;
    std::vector<Complex*> rows;
};

Rows RandomMatrix(int n, int m, unsigned seed, double diagonal) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Rows matrix(n, m);
    for (Complex& entry : matrix.entries) entry = {uniform(random), uniform(random)};
    for (int i = 0; i < n && i < m; ++i) matrix.rows[i][i].re += diagonal;
    return matrix;
}

// The algorithm as the literal triple loop, column after column of each row.
int LiteralDecompose(Complex* const* A, int n) {
    for (int a = 0; a < n; ++a) {
        for (int i = 0; i <= a; ++i)
            for (int k = 0; k < i; ++k) A[a][i] = A[a][i] - A[a][k] * A[k][i];
        if (!(Abs(A[a][a]) >= 1e-10)) return -1;
        for (int j = a + 1; j < n; ++j) {
            for (int k = 0; k < a; ++k) A[a][j] = A[a][j] - A[a][k] * A[k][j];
            A[a][j] = A[a][j] / A[a][a];
        }
    }
    return 0;
}

bool BitEqual(const std::vector<Complex>& a, const std::vector<Complex>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Complex)) == 0;
}

int Decompose(Rows& matrix, int n, std::string* console = nullptr, int threads = 1) {
    test::ConsoleCapture capture;
    CLinEqu linEqu(threads);
    const int status = linEqu.LUDecompose(matrix.Get(), n);
    if (console != nullptr) *console = capture.text;
    return status;
}

TEST(LinEqu, EmptySystemSucceedsSilently) {
    test::ConsoleCapture capture;
    CLinEqu linEqu;
    EXPECT_EQ(linEqu.LUDecompose(nullptr, 0), 0);
    EXPECT_EQ(linEqu.LUSubstitute(nullptr, nullptr, 0), 0);
    EXPECT_EQ(capture.text, "");
}

TEST(LinEqu, SolvesOneByOneAndCountsTheRowOnTheConsole) {
    Rows matrix(1, 1);
    matrix.rows[0][0] = {2.0, 0.0};
    std::string console;
    ASSERT_EQ(Decompose(matrix, 1, &console), 0);
    EXPECT_EQ(console, "0/1\r");
    Complex b{4.0, 2.0};
    CLinEqu linEqu;
    EXPECT_EQ(linEqu.LUSubstitute(matrix.Get(), &b, 1), 0);
    EXPECT_EQ(b.re, 2.0);
    EXPECT_EQ(b.im, 1.0);
}

TEST(LinEqu, ZeroLeadingPivotFailsEvenForRegularMatrix) {
    Rows matrix(2, 2);
    matrix.rows[0][0] = {0, 0};
    matrix.rows[0][1] = {1, 0};
    matrix.rows[1][0] = {1, 0};
    matrix.rows[1][1] = {0, 0};
    test::ConsoleCapture capture;
    CLinEqu linEqu;
    EXPECT_EQ(linEqu.LUDecompose(matrix.Get(), 2), -1);
    EXPECT_EQ(capture.Reports(), 1);
    EXPECT_EQ(capture.text.rfind("0/2\r", 0), 0u) << capture.text;
    EXPECT_EQ(capture.text.find("1/2\r"), std::string::npos);
    EXPECT_NE(capture.text.find(
                  test::ErrorBlock("CLinEqu", "LUDecompose", "Singular coefficient matrix", "A")),
              std::string::npos)
        << capture.text;
}

TEST(LinEqu, PivotBoundIsAbsoluteAndRejectsNaN) {
    // |(1.2 + 1.6i) e-10| = 2e-10 passes beside huge entries; 0.5e-10 fails beside tiny ones.
    Rows passes(2, 2);
    passes.rows[0][0] = {1.2e-10, 1.6e-10};
    passes.rows[0][1] = {1e20, 0};
    passes.rows[1][0] = {0, 0};
    passes.rows[1][1] = {1e20, 0};
    EXPECT_EQ(Decompose(passes, 2), 0);

    Rows fails(2, 2);
    fails.rows[0][0] = {0.5e-10, 0};
    fails.rows[0][1] = {1e-12, 0};
    fails.rows[1][0] = {1e-12, 0};
    fails.rows[1][1] = {1e-12, 0};
    EXPECT_EQ(Decompose(fails, 2), -1);

    // A later pivot: row 1 becomes 1e-11 after its subtraction.
    Rows later(2, 2);
    later.rows[0][0] = {1, 0};
    later.rows[0][1] = {1, 0};
    later.rows[1][0] = {1, 0};
    later.rows[1][1] = {1 + 1e-11, 0};
    std::string console;
    EXPECT_EQ(Decompose(later, 2, &console), -1);
    EXPECT_EQ(console.rfind("0/2\r1/2\r", 0), 0u);

    Rows notANumber(1, 1);
    notANumber.rows[0][0] = {std::numeric_limits<double>::quiet_NaN(), 0};
    EXPECT_EQ(Decompose(notANumber, 1), -1);
}

TEST(LinEqu, DependentRowFailsAtItsOwnPivot) {
    // Row 6 repeats row 5: its pivot vanishes after the subtractions, and rows before it pass.
    const int n = 9;
    Rows matrix = RandomMatrix(n, n, 17u, 5.0);
    for (int j = 0; j < n; ++j) matrix.rows[6][j] = matrix.rows[5][j];
    Rows literal = matrix;
    for (int i = 0; i < n; ++i) literal.rows[i] = literal.entries.data() + i * n;
    ASSERT_EQ(LiteralDecompose(literal.Get(), n), -1);
    std::string console;
    EXPECT_EQ(Decompose(matrix, n, &console), -1);
    EXPECT_EQ(console.rfind("0/9\r1/9\r2/9\r3/9\r4/9\r5/9\r6/9\r", 0), 0u) << console;
    EXPECT_EQ(console.find("7/9"), std::string::npos);
}

TEST(LinEqu, FactorsAreBitIdenticalToTheLiteralTripleLoop) {
    for (int n : {1, 2, 3, 7, 16, 41}) {
        for (double diagonal : {0.0, 3.0, 50.0}) {
            const unsigned seed = static_cast<unsigned>(n * 100 + diagonal);
            Rows fast = RandomMatrix(n, n, seed, diagonal);
            Rows literal = RandomMatrix(n, n, seed, diagonal);
            const int expected = LiteralDecompose(literal.Get(), n);
            ASSERT_EQ(Decompose(fast, n), expected) << n;
            if (expected < 0) continue;
            EXPECT_TRUE(BitEqual(fast.entries, literal.entries)) << n << " " << diagonal;
        }
    }
}

// Sizes around the edges of the panels and blocks of the fast loops: one to three panels of 64
// and one more, the rows below the first panel in two blocks of 128 and one more, and small
// sizes below one vector tile.
const int blockEdgeSizes[] = {1, 2, 5, 63, 64, 65, 127, 128, 129, 191, 192, 193, 321};

TEST(LinEqu, FactorsAreBitIdenticalAcrossPanelEdgesForEveryThreadCount) {
    for (int n : blockEdgeSizes) {
        Rows literal = RandomMatrix(n, n, 1000u + n, 2.0 * n);
        ASSERT_EQ(LiteralDecompose(literal.Get(), n), 0);
        for (int threads : {1, 2, 3}) {
            Rows fast = RandomMatrix(n, n, 1000u + n, 2.0 * n);
            std::string console;
            ASSERT_EQ(Decompose(fast, n, &console, threads), 0) << n;
            EXPECT_TRUE(BitEqual(fast.entries, literal.entries)) << n << " " << threads;
            std::string counter;
            for (int a = 0; a < n; ++a)
                counter += std::to_string(a) + "/" + std::to_string(n) + "\r";
            EXPECT_EQ(console, counter) << n << " " << threads;
        }
    }
}

TEST(LinEqu, FactorsDoNotDependOnRowAddresses) {
    // Rows in reverse order in memory and not contiguous: only the row addresses count.
    const int n = 130;
    Rows literal = RandomMatrix(n, n, 5u, 2.0 * n);
    ASSERT_EQ(LiteralDecompose(literal.Get(), n), 0);
    const Rows source = RandomMatrix(n, n, 5u, 2.0 * n);
    std::vector<Complex> scattered(static_cast<std::size_t>(n) * (n + 3));
    std::vector<Complex*> rows(n);
    for (int i = 0; i < n; ++i) {
        rows[i] = scattered.data() + static_cast<std::size_t>(n - 1 - i) * (n + 3) + 1;
        for (int j = 0; j < n; ++j) rows[i][j] = source.rows[i][j];
    }
    test::ConsoleCapture capture;
    CLinEqu linEqu(2);
    ASSERT_EQ(linEqu.LUDecompose(rows.data(), n), 0);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(std::memcmp(rows[i], literal.rows[i], n * sizeof(Complex)), 0) << i;
}

TEST(LinEqu, LaterSingularPivotStopsAtItsRowWithThreads) {
    // Row 130 repeats row 129, in the third panel: the counter stops at it, one report.
    const int n = 150;
    for (int threads : {1, 3}) {
        Rows matrix = RandomMatrix(n, n, 23u, 2.0 * n);
        for (int j = 0; j < n; ++j) matrix.rows[130][j] = matrix.rows[129][j];
        test::ConsoleCapture capture;
        CLinEqu linEqu(threads);
        EXPECT_EQ(linEqu.LUDecompose(matrix.Get(), n), -1);
        EXPECT_EQ(capture.Reports(), 1);
        EXPECT_NE(capture.text.find("129/150\r130/150\r"), std::string::npos);
        EXPECT_EQ(capture.text.find("131/150"), std::string::npos);
    }
}

TEST(LinEqu, ManyColumnsAreBitIdenticalToOneSubstitutionEachForEveryThreadCount) {
    for (int n : {1, 5, 63, 64, 65, 129, 193}) {
        Rows factors = RandomMatrix(n, n, 300u + n, 2.0 * n);
        ASSERT_EQ(Decompose(factors, n), 0);
        for (int width : {1, 3, 63, 64, 65, 129}) {
            const int m = width + 2;  // one column left and right stay as they are
            const Rows original = RandomMatrix(n, m, 7u * n + width, 0.0);
            std::vector<Complex> expected = original.entries;
            for (int c = 1; c <= width; ++c) {
                std::vector<Complex> column(n);
                for (int k = 0; k < n; ++k) column[k] = original.rows[k][c];
                CLinEqu single(1);
                single.LUSubstitute(factors.Get(), column.data(), n);
                for (int k = 0; k < n; ++k)
                    expected[static_cast<std::size_t>(k) * m + c] = column[k];
            }
            for (int threads : {1, 2, 3}) {
                Rows columns = original;
                for (int i = 0; i < n; ++i) columns.rows[i] = columns.entries.data() + i * m;
                CLinEqu linEqu(threads);
                std::vector<Complex> workspace(linEqu.ColumnWorkspaceSize(n, width));
                ASSERT_EQ(linEqu.LUSubstituteColumns(factors.Get(), columns.Get(), n, 1, width,
                                                     workspace.data()),
                          0);
                EXPECT_TRUE(BitEqual(columns.entries, expected))
                    << n << " " << width << " " << threads;
            }
        }
    }
}

TEST(LinEqu, SolutionHasSmallResidualOnRandomSystems) {
    for (int n : {5, 60}) {
        const Rows original = RandomMatrix(n, n, 7u + n, 4.0);
        Rows factors = RandomMatrix(n, n, 7u + n, 4.0);
        ASSERT_EQ(Decompose(factors, n), 0);
        std::vector<Complex> b(n), x(n);
        for (int i = 0; i < n; ++i) b[i] = x[i] = {std::sin(i + 1.0), std::cos(3.0 * i)};
        CLinEqu linEqu;
        ASSERT_EQ(linEqu.LUSubstitute(factors.Get(), x.data(), n), 0);
        for (int i = 0; i < n; ++i) {
            Complex sum{0, 0};
            for (int j = 0; j < n; ++j) sum += original.rows[i][j] * x[j];
            EXPECT_NEAR(sum.re, b[i].re, 1e-12) << i;
            EXPECT_NEAR(sum.im, b[i].im, 1e-12) << i;
        }
    }
}

TEST(LinEqu, ColumnSolveIsBitIdenticalToOneSubstitutionPerColumn) {
    const int n = 23, m = 9;
    Rows factors = RandomMatrix(n, n, 99u, 2.0);
    ASSERT_EQ(Decompose(factors, n), 0);
    Rows columns = RandomMatrix(n, m, 5u, 0.0);
    const std::vector<Complex> before = columns.entries;

    // Columns 2 .. 6 solved together; the others must stay as they were.
    CLinEqu linEqu(1);
    std::vector<Complex> workspace(linEqu.ColumnWorkspaceSize(n, 5));
    ASSERT_EQ(linEqu.LUSubstituteColumns(factors.Get(), columns.Get(), n, 2, 5, workspace.data()),
              0);
    for (int c = 0; c < m; ++c) {
        std::vector<Complex> single(n), solved(n);
        for (int k = 0; k < n; ++k) {
            single[k] = before[static_cast<std::size_t>(k) * m + c];
            solved[k] = columns.rows[k][c];
        }
        if (c >= 2 && c < 7) {
            ASSERT_EQ(linEqu.LUSubstitute(factors.Get(), single.data(), n), 0);
        }
        EXPECT_TRUE(BitEqual(single, solved)) << "column " << c;
    }
}

}  // namespace
