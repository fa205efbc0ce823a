// The surface system in memory: every kind of boundary condition yields pressures and velocities
// that satisfy both the equations and the condition; a singular system is reported, not solved.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fileio/ExcitationType.h"
#include "solver/Solver.h"
#include "solver/SurfaceSystem.h"
#include "support/TestSupport.h"

namespace {

// A p = B v with A = 4 I + small coupling, B = 1 + j on the diagonal: regular for every kind.
void Matrices(int n, std::vector<Complex>& a, std::vector<Complex>& b) {
    a.assign(static_cast<std::size_t>(n) * n, Complex{0.25, -0.125});
    b.assign(a.size(), Complex{0.0, 0.0625});
    for (int i = 0; i < n; ++i) {
        a[static_cast<std::size_t>(i) * n + i] = {4.0, 0.5};
        b[static_cast<std::size_t>(i) * n + i] = {1.0, 1.0};
    }
}

TEST(SurfaceSystem, EveryBoundaryConditionHoldsAndTheEquationsAreSatisfied) {
    const int n = 4;
    std::vector<Complex> a, b;
    Matrices(n, a, b);
    const std::vector<std::int16_t> types = {givenPressure, givenVelocity, givenImpedance,
                                             givenAdmittance};
    const std::vector<Complex> values = {{1.0, 0.5}, {-2.0, 1.0}, {3.0, -1.0}, {0.5, 0.25}};
    test::ConsoleCapture capture;
    CSolver solver{ConfigData{}};
    std::vector<Complex> p = {{9, 9}};  // replaced, not appended to
    std::vector<Complex> v;
    ASSERT_EQ(solver.SolveSurfaceSystem(n, a.data(), b.data(), types.data(), values.data(), p, v),
              0);
    ASSERT_EQ(p.size(), 4u);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(capture.text, "Solving linear equation...0/4\r1/4\r2/4\r3/4\rReady\n");
    EXPECT_EQ(p[0].re, 1.0);
    EXPECT_EQ(v[1].im, 1.0);
    const Complex z = p[2] / v[2];
    EXPECT_NEAR(z.re, 3.0, 1e-12);
    EXPECT_NEAR(z.im, -1.0, 1e-12);
    const Complex y = v[3] / p[3];
    EXPECT_NEAR(y.re, 0.5, 1e-12);
    EXPECT_NEAR(y.im, 0.25, 1e-12);
    for (int i = 0; i < n; ++i) {
        Complex residual{0.0, 0.0};
        for (int j = 0; j < n; ++j) {
            const std::size_t k = static_cast<std::size_t>(i) * n + j;
            residual += a[k] * p[j] - b[k] * v[j];
        }
        EXPECT_LT(Abs(residual), 1e-12) << "row " << i;
    }
}

TEST(SurfaceSystem, SingularSystemIsReportedOnceAndLeavesTheOutputs) {
    std::vector<Complex> a(4, Complex{1.0, 0.0});  // rank 1
    std::vector<Complex> b(4, Complex{0.0, 0.0});
    const std::vector<std::int16_t> types = {givenVelocity, givenVelocity};
    const std::vector<Complex> values = {{1.0, 0.0}, {1.0, 0.0}};
    test::ConsoleCapture capture;
    CSolver solver{ConfigData{}};
    std::vector<Complex> p, v;
    EXPECT_EQ(solver.SolveSurfaceSystem(2, a.data(), b.data(), types.data(), values.data(), p, v),
              -1);
    EXPECT_EQ(capture.Reports(), 1);
    EXPECT_NE(capture.text.find("Singular coefficient matrix"), std::string::npos);
    EXPECT_TRUE(p.empty());
    EXPECT_TRUE(v.empty());
}

TEST(SurfaceSystem, FieldPressureIsTheRowSumOverFourPi) {
    const std::vector<Complex> rowA = {{1.0, 0.0}, {0.0, 2.0}};
    const std::vector<Complex> rowB = {{0.5, 0.0}, {1.0, -1.0}};
    const std::vector<Complex> p = {{2.0, 0.0}, {1.0, 1.0}};
    const std::vector<Complex> v = {{4.0, 0.0}, {0.0, 1.0}};
    // 1*2 + 2j(1 + j) - (0.5*4 + (1 - j) j) = 2 - 2 + 2j - 2 - 1 - j = -3 + j
    const Complex f = FieldPressure(2, rowA.data(), rowB.data(), p.data(), v.data());
    const double fourPi = 16.0 * std::atan(1.0);
    EXPECT_DOUBLE_EQ(f.re, -3.0 / fourPi);
    EXPECT_DOUBLE_EQ(f.im, 1.0 / fourPi);
}

}  // namespace

namespace {

// Cases share a factorisation when only their P and V values differ: those move the right-hand
// side alone, which is then the assembled row's to the last bit; a Z or Y value, or a type,
// changes the matrix.
TEST(SurfaceSystem, OnlyPressureAndVelocityValuesLeaveTheSystemMatrixAsItIs) {
    const int n = 4;
    std::vector<Complex> a, b;
    Matrices(n, a, b);
    const std::vector<std::int16_t> types = {givenPressure, givenVelocity, givenImpedance,
                                             givenAdmittance};
    const std::vector<Complex> first = {{1.0, 0.5}, {-2.0, 1.0}, {3.0, -1.0}, {0.5, 0.25}};
    std::vector<Complex> second = {{0.3, -0.7}, {0.1, 2.5}, {3.0, -1.0}, {0.5, 0.25}};
    EXPECT_TRUE(SameSystemMatrix(n, types.data(), first.data(), types.data(), second.data()));
    std::vector<Complex> row(n);
    const Complex assembled =
        AssembleSystemRow(n, a.data(), b.data(), types.data(), second.data(), row.data());
    const Complex alone = SystemRowRightHandSide(n, a.data(), b.data(), types.data(), second.data());
    EXPECT_EQ(alone.re, assembled.re);
    EXPECT_EQ(alone.im, assembled.im);

    second[2].im = -1.5;  // another impedance
    EXPECT_FALSE(SameSystemMatrix(n, types.data(), first.data(), types.data(), second.data()));
    std::vector<std::int16_t> other = types;
    other[1] = givenPressure;
    EXPECT_FALSE(SameSystemMatrix(n, types.data(), first.data(), other.data(), first.data()));
}

}  // namespace
