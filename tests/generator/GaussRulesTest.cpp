// The shipped quadrature rules: the file equals the generator's output, loads through the table,
// and every rule has the point count, weights and polynomial exactness the integration relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "generator/GaussTable.h"

namespace {

class ShippedRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::TempDir dir;
        test::CopyGaussFile(dir.Path());
        test::ChangeDir change(dir.Path());
        table = new CGaussTable;
        loadStatus = table->Init();
    }
    static void TearDownTestSuite() { delete table; }
    void SetUp() override { ASSERT_EQ(loadStatus, 0); }

    static CGaussTable* table;
    static int loadStatus;
};

CGaussTable* ShippedRules::table = nullptr;
int ShippedRules::loadStatus = -100;

double Power(double x, int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= x;
    return p;
}

double Factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// The polynomial degree stated for every triangle block of the orbit table.
std::vector<int> StatedTriangleDegrees() {
    std::ifstream input(std::string(KAVORAL_SOURCE_DIR) + "/data/triangle-rules.txt");
    std::vector<int> degrees;
    std::string line;
    while (std::getline(input, line)) {
        if (line.compare(0, 6, "block ") != 0) continue;
        std::istringstream fields(line);
        std::string word;
        int value = 0;
        int degree = -1;
        while (fields >> word) {
            if (word == "degree" && fields >> value) degree = value;
        }
        degrees.push_back(degree);
    }
    return degrees;
}

TEST(GaussFile, ShippedFileEqualsGeneratorOutput) {
    test::TempDir dir;
    const test::RunResult run = test::RunProgram(std::string(KAVORAL_TOOLS_DIR) + "/MakeGaussFile",
                                                 dir.Path(), {"Gauss.cfs"});
    ASSERT_EQ(run.status, 0);
    const std::string generated = test::ReadFile(dir.File("Gauss.cfs"));
    EXPECT_FALSE(generated.empty());
    EXPECT_TRUE(generated == test::ReadFile(std::string(KAVORAL_SOURCE_DIR) + "/data/Gauss.cfs"))
        << "data/Gauss.cfs is stale: regenerate it with tools/MakeGaussFile";
    // The build puts the shipped file beside the program.
    const std::string binary = KAVORAL_BINARY;
    EXPECT_TRUE(test::ReadFile(binary.substr(0, binary.rfind('/')) + "/Gauss.cfs") == generated);
    // Without a file name the same text goes to the standard output.
    const test::RunResult toConsole =
        test::RunProgram(std::string(KAVORAL_TOOLS_DIR) + "/MakeGaussFile", dir.Path(), {});
    EXPECT_EQ(toConsole.status, 0);
    EXPECT_TRUE(toConsole.output == generated);
}

TEST_F(ShippedRules, HavePositiveWeightsOfTheReferenceAreaAndPointsStrictlyInside) {
    for (int i = 0; i < CGaussTable::ruleCount; ++i) {
        const int n = i + 1;
        ASSERT_EQ(table->quadW[i].size(), static_cast<std::size_t>(n * n));
        ASSERT_EQ(table->triW[i].size(), static_cast<std::size_t>(n * (n + 1) / 2));
        double quadSum = 0.0;
        for (std::size_t q = 0; q < table->quadW[i].size(); ++q) {
            const double a = table->quadA[i][q];
            const double b = table->quadB[i][q];
            EXPECT_GT(table->quadW[i][q], 0.0) << "quadrilateral rule " << i << " point " << q;
            EXPECT_TRUE(a > 0.0 && a < 1.0 && b > 0.0 && b < 1.0) << "rule " << i << " point " << q;
            quadSum += table->quadW[i][q];
        }
        EXPECT_NEAR(quadSum, 1.0, 1e-14) << "quadrilateral rule " << i;
        double triSum = 0.0;
        for (std::size_t q = 0; q < table->triW[i].size(); ++q) {
            const double a = table->triA[i][q];
            const double b = table->triB[i][q];
            EXPECT_GT(table->triW[i][q], 0.0) << "triangle rule " << i << " point " << q;
            EXPECT_TRUE(a > 0.0 && b > 0.0 && a + b < 1.0) << "rule " << i << " point " << q;
            triSum += table->triW[i][q];
        }
        EXPECT_NEAR(triSum, 0.5, 1e-14) << "triangle rule " << i;
    }
}

TEST_F(ShippedRules, QuadrilateralRuleNIntegratesEveryMonomialUpToDegree2nMinus1PerVariable) {
    for (int i = 0; i < CGaussTable::ruleCount; ++i) {
        const int top = 2 * (i + 1) - 1;
        for (int p = 0; p <= top; ++p) {
            for (int q = 0; q <= top; ++q) {
                double sum = 0.0;
                for (std::size_t k = 0; k < table->quadW[i].size(); ++k) {
                    sum += table->quadW[i][k] * Power(table->quadA[i][k], p) *
                           Power(table->quadB[i][k], q);
                }
                const double exact = 1.0 / ((p + 1) * (q + 1));
                EXPECT_NEAR(sum / exact, 1.0, 1e-12) << "rule " << i << " a^" << p << " b^" << q;
            }
        }
    }
}

// The largest relative error of a triangle rule over the monomials a^p b^q of degree `degree`.
double TriangleMonomialError(const CGaussTable& table, int rule, int degree) {
    double worst = 0.0;
    for (int p = 0; p <= degree; ++p) {
        const int q = degree - p;
        double sum = 0.0;
        for (std::size_t k = 0; k < table.triW[rule].size(); ++k)
            sum +=
                table.triW[rule][k] * Power(table.triA[rule][k], p) * Power(table.triB[rule][k], q);
        // The integral of a^p b^q over the reference triangle is p! q! / (p + q + 2)!.
        const double exact = Factorial(p) * Factorial(q) / Factorial(p + q + 2);
        worst = std::max(worst, std::fabs(sum / exact - 1.0));
    }
    return worst;
}

TEST_F(ShippedRules, TriangleRulesAreExactToTheirStatedDegree) {
    const std::vector<int> degrees = StatedTriangleDegrees();
    ASSERT_EQ(degrees.size(), 20u);
    // Blocks 14 and 16 to 20 (rules 13 and 15 to 19) meet their stated degree only to about 1e-6:
    // they are exact to machine precision up to the degree given here. The program integrates
    // with rules 2, 6 and 12 only.
    const int reached[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 18, 0, 21, 20, 20, 20, 21};
    for (int i = 0; i < CGaussTable::ruleCount; ++i) {
        ASSERT_GE(degrees[i], 1) << "block " << i + 1;
        const int exactDegree = reached[i] > 0 ? reached[i] : degrees[i];
        for (int d = 0; d <= degrees[i]; ++d) {
            const double bound = d <= exactDegree ? 1e-12 : 1e-5;
            EXPECT_LT(TriangleMonomialError(*table, i, d), bound)
                << "rule " << i << " degree " << d;
        }
        // The stated degree is the highest: one degree more is not integrated exactly.
        EXPECT_GT(TriangleMonomialError(*table, i, degrees[i] + 1), 1e-9) << "rule " << i;
    }
}

TEST_F(ShippedRules, HighRulesIntegrateTheVertexSingularTermsExactly) {
    // In collapsed coordinates about a vertex, s = 1 - lambda_v and t = lambda_(v+1) / s, the
    // terms s^-1 (t (1 - t))^m integrate to (m!)^2 / (2m + 1)! over the reference triangle. Rules
    // 6 to 19 are built to be exact for m = 0 up to 2 (rule 6), 3, 4, 4, 4, 5 and then 6.
    const int highestTerm[20] = {-1, -1, -1, -1, -1, -1, 2, 3, 4, 4, 4, 5, 6, 6, 6, 6, 6, 6, 6, 6};
    for (int i = 6; i < CGaussTable::ruleCount; ++i) {
        for (int vertex = 0; vertex < 3; ++vertex) {
            for (int m = 0; m <= highestTerm[i]; ++m) {
                double sum = 0.0;
                for (std::size_t k = 0; k < table->triW[i].size(); ++k) {
                    const double a = table->triA[i][k];
                    const double b = table->triB[i][k];
                    const double lambda[3] = {1.0 - a - b, a, b};
                    const double s = 1.0 - lambda[vertex];
                    const double t = lambda[(vertex + 1) % 3] / s;
                    sum += table->triW[i][k] * Power(t * (1.0 - t), m) / s;
                }
                const double exact = Factorial(m) * Factorial(m) / Factorial(2 * m + 1);
                EXPECT_NEAR(sum / exact, 1.0, 1e-13)
                    << "rule " << i << " vertex " << vertex << " m " << m;
            }
        }
    }
}

TEST_F(ShippedRules, NearTriangleRuleIntegratesInverseDistanceFromAVertex) {
    // The equilateral triangle of edge 1 seen from its vertex P0 = (0, 1) in reference terms:
    // the integral of 1/R is sqrt(3) ln sqrt(3).
    const Vector3 p0 = {0.0, 0.0, 0.0};
    const Vector3 p1 = {1.0, 0.0, 0.0};
    const Vector3 p2 = {0.5, std::sqrt(3.0) / 2.0, 0.0};
    const double jacobian = Length(Cross(p2 - p1, p0 - p1));
    const int rule = 12;
    double sum = 0.0;
    for (std::size_t k = 0; k < table->triW[rule].size(); ++k) {
        const double a = table->triA[rule][k];
        const double b = table->triB[rule][k];
        const Vector3 y = b * p0 + (1.0 - a - b) * p1 + a * p2;
        sum += table->triW[rule][k] / Length(y - p0);
    }
    const double exact = std::sqrt(3.0) * std::log(std::sqrt(3.0));
    EXPECT_NEAR(sum * jacobian, exact, 1e-6);
}

}  // namespace
