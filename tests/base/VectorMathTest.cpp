// The vector sine, cosine, exponential and square root against the C library, lane by lane:
// within one unit in the last place, and exactly the library's where the vector reduction does
// not reach.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "base/Constants.h"
#include "base/VectorMath.h"

namespace {

// Units in the last place between two finite doubles of the same sign, or 0 when both are equal.
double UlpDistance(double a, double b) {
    if (a == b) return 0.0;
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? 0.0 : 1e300;
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), INFINITY) - std::fabs(b));
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs the arguments through the vector functions a vector at a time and returns the largest
// distance in units in the last place from std::sin, std::cos and std::exp.
struct WorstDistance {
    double sine = 0.0;
    double cosine = 0.0;
    double exponential = 0.0;
};

WorstDistance Measure(const std::vector<double>& arguments, bool exponential) {
    WorstDistance worst;
    for (std::size_t first = 0; first + doublesLanes <= arguments.size(); first += doublesLanes) {
        const Doubles x = LoadDoubles(arguments.data() + first);
        Doubles s;
        Doubles c;
        SinCosLanes(x, s, c);
        const Doubles e = exponential ? ExpLanes(x) : Broadcast(0.0);
        for (int lane = 0; lane < doublesLanes; ++lane) {
            worst.sine = std::max(worst.sine, UlpDistance(s[lane], std::sin(x[lane])));
            worst.cosine = std::max(worst.cosine, UlpDistance(c[lane], std::cos(x[lane])));
            if (exponential)
                worst.exponential =
                    std::max(worst.exponential, UlpDistance(e[lane], std::exp(x[lane])));
        }
    }
    return worst;
}

std::vector<double> Uniform(double low, double high, int count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(low, high);
    std::vector<double> values(static_cast<std::size_t>(count));
    for (double& v : values) v = value(random);
    return values;
}

}  // namespace

TEST(VectorMath, SineCosineAndExponentialStayWithinOneUnitInTheLastPlace) {
    // Phases of the kernel (k R up to a few thousand), both signs, and exponents of damping.
    for (const auto& range : {std::pair<double, double>{-4.0, 4.0},
                              {-100.0, 100.0},
                              {0.0, 5000.0},
                              {5e4, 8e5},
                              {-700.0, 700.0}}) {
        const WorstDistance worst =
            Measure(Uniform(range.first, range.second, 200000, 7), range.second <= 5000.0);
        EXPECT_LE(worst.sine, 1.0) << range.first << " to " << range.second;
        EXPECT_LE(worst.cosine, 1.0) << range.first << " to " << range.second;
        EXPECT_LE(worst.exponential, 1.0) << range.first << " to " << range.second;
    }
    // Next to multiples of pi/2, where the reduction cancels most, and tiny arguments.
    std::vector<double> near;
    for (int n = -2000; n < 2000; ++n) {
        const double x = n * (pi / 2);
        for (int step = -3; step <= 3; ++step) near.push_back(x + step * 1e-9 * (1 + std::fabs(x)));
    }
    for (double x : {1e-300, -1e-300, 1e-20, -1e-17, 0.0, -0.0, 1e-8, 0.785398, 2.35619})
        near.push_back(x);
    while (near.size() % doublesLanes != 0) near.push_back(1.0);
    const WorstDistance worst = Measure(near, true);
    EXPECT_LE(worst.sine, 1.0);
    EXPECT_LE(worst.cosine, 1.0);
    EXPECT_LE(worst.exponential, 1.0);
}

TEST(VectorMath, ArgumentsBeyondTheReductionGiveTheLibraryValuesExactly) {
    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> special = {1e6,      -3e7,  1e300,  infinity, -infinity, nan,
                                         823549.7, 709.0, -709.0, -745.2,   750.0,     1e-310,
                                         0.5,      -0.5,  2.0,    -2.0};
    for (std::size_t first = 0; first + doublesLanes <= special.size(); first += doublesLanes) {
        const Doubles x = LoadDoubles(special.data() + first);
        Doubles s;
        Doubles c;
        SinCosLanes(x, s, c);
        const Doubles e = ExpLanes(x);
        for (int lane = 0; lane < doublesLanes; ++lane) {
            const double v = x[lane];
            if (std::fabs(v) >= vectormath::sinCosLimit || std::isnan(v)) {
                EXPECT_TRUE(SameBits(s[lane], std::sin(v))) << v;
                EXPECT_TRUE(SameBits(c[lane], std::cos(v))) << v;
            }
            if (std::fabs(v) >= vectormath::expLimit || std::isnan(v)) {
                EXPECT_TRUE(SameBits(e[lane], std::exp(v))) << v;
            } else {
                EXPECT_LE(UlpDistance(e[lane], std::exp(v)), 1.0) << v;
            }
        }
    }
}

TEST(VectorMath, SquareRootAndSelectAreExactLaneByLane) {
    const std::vector<double> values = Uniform(0.0, 1e6, 64, 3);
    for (std::size_t first = 0; first + doublesLanes <= values.size(); first += doublesLanes) {
        const Doubles x = LoadDoubles(values.data() + first);
        const Doubles root = SqrtLanes(x);
        const Doubles picked = Select(x < Broadcast(5e5), x, -x);
        for (int lane = 0; lane < doublesLanes; ++lane) {
            EXPECT_TRUE(SameBits(root[lane], std::sqrt(x[lane])));
            EXPECT_EQ(picked[lane], x[lane] < 5e5 ? x[lane] : -x[lane]);
        }
    }
}
