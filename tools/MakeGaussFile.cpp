// Writes the quadrature coefficient file Gauss.cfs: twenty Gauss-Legendre product rules on the
// unit square, then twenty symmetric rules on the reference triangle expanded from the orbit table
// data/triangle-rules.txt. Every number is written with 17 significant digits, so that it reads
// back as the same double.
//
//   MakeGaussFile [--rules triangle-rules.txt] [output file]
//
// Without an output file the coefficients go to the standard output.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/File.h"
#include "fileio/NumberFormat.h"

#ifndef KAVORAL_TRIANGLE_RULES
#define KAVORAL_TRIANGLE_RULES "data/triangle-rules.txt"
#endif

namespace {

constexpr int ruleCount = 20;

struct Point {
    double a;
    double b;
    double w;
};

using Rule = std::vector<Point>;

// P_n(x) by the three-term recurrence, and its derivative from P_n and P_(n-1).
long double Legendre(int n, long double x, long double& derivative) {
    long double p0 = 1.0L;
    long double p1 = x;
    for (int m = 2; m <= n; ++m) {
        const long double p2 = ((2 * m - 1) * x * p1 - (m - 1) * p0) / m;
        p0 = p1;
        p1 = p2;
    }
    derivative = n * (x * p1 - p0) / (x * x - 1.0L);
    return p1;
}

// Nodes and weights of the n-point Gauss-Legendre rule on [0, 1], the weights summing to 1.
// The roots of P_n are found by Newton's method, in long double, and mirrored so that the rule
// is exactly symmetric about 1/2.
void GaussLegendre(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    const long double pi = 3.14159265358979323846264338327950288L;
    nodes.assign(n, 0.0);
    weights.assign(n, 0.0);
    for (int i = 0; i < (n + 1) / 2; ++i) {
        long double x = std::cos(pi * (i + 0.75L) / (n + 0.5L));
        long double derivative = 1.0L;
        for (int iteration = 0; iteration < 100; ++iteration) {
            const long double step = Legendre(n, x, derivative) / derivative;
            x -= step;
            if (std::fabs(step) < 1e-19L) break;
        }
        if (2 * i + 1 == n) x = 0.0L;  // the middle node of an odd rule
        Legendre(n, x, derivative);
        // Weight on [-1, 1] is 2 / ((1 - x^2) P'(x)^2); on [0, 1] it is half of that.
        const long double weight = 1.0L / ((1.0L - x * x) * derivative * derivative);
        nodes[i] = static_cast<double>((1.0L - x) / 2.0L);
        nodes[n - 1 - i] = static_cast<double>((1.0L + x) / 2.0L);
        weights[i] = weights[n - 1 - i] = static_cast<double>(weight);
    }
}

Rule QuadrilateralRule(int n) {
    std::vector<double> nodes;
    std::vector<double> weights;
    GaussLegendre(n, nodes, weights);
    Rule rule;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) rule.push_back({nodes[i], nodes[j], weights[i] * weights[j]});
    }
    return rule;
}

bool Fail(const std::string& text) {
    std::fprintf(stderr, "MakeGaussFile: %s\n", text.c_str());
    return false;
}

// Reads the twenty orbit blocks and expands every orbit into its points. A point with barycentric
// coordinates (p, q, r) lies at (a, b) = (q, r).
bool ReadTriangleRules(const char* fileName, std::vector<Rule>& rules) {
    std::ifstream input(fileName);
    if (!input) return Fail(std::string("cannot open ") + fileName);
    rules.clear();
    std::vector<int> declared;
    std::string line;
    int lineNumber = 0;
    while (std::getline(input, line)) {
        ++lineNumber;
        const std::string where = std::string(fileName) + ":" + std::to_string(lineNumber);
        if (line.empty() || line[0] == '%') continue;
        std::istringstream fields(line);
        if (line.compare(0, 6, "block ") == 0) {
            std::string word;
            int n = 0;
            int points = 0;
            fields >> word >> n >> word >> points;
            if (!fields || n != static_cast<int>(rules.size()) + 1 || points != n * (n + 1) / 2)
                return Fail(where + ": unexpected block header");
            rules.emplace_back();
            declared.push_back(points);
            continue;
        }
        if (rules.empty()) return Fail(where + ": orbit before the first block");
        int size = 0;
        double l[3];
        double w = 0.0;
        fields >> size >> l[0] >> l[1] >> l[2] >> w;
        if (!fields) return Fail(where + ": malformed orbit");
        Rule& rule = rules.back();
        if (size == 1) {
            rule.push_back({l[1], l[2], w});
        } else if (size == 3) {
            // The distinct permutations of (l1, l1, l3).
            rule.push_back({l[0], l[2], w});
            rule.push_back({l[2], l[0], w});
            rule.push_back({l[0], l[0], w});
        } else if (size == 6) {
            const int order[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                     {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
            for (const auto& o : order) rule.push_back({l[o[1]], l[o[2]], w});
        } else {
            return Fail(where + ": orbit size must be 1, 3 or 6");
        }
    }
    if (rules.size() != ruleCount) return Fail(std::string(fileName) + ": expected 20 blocks");
    for (int i = 0; i < ruleCount; ++i) {
        if (static_cast<int>(rules[i].size()) != declared[i])
            return Fail(std::string(fileName) + ": block " + std::to_string(i + 1) +
                        " has the wrong number of points");
    }
    return true;
}

void WriteBlock(std::FILE* out, const Rule& rule) {
    char a[numberTextSize];
    char b[numberTextSize];
    char w[numberTextSize];
    std::fprintf(out, "%d\n", static_cast<int>(rule.size()));
    for (const Point& point : rule) {
        FormatRoundTrip(point.a, a);
        FormatRoundTrip(point.b, b);
        FormatRoundTrip(point.w, w);
        std::fprintf(out, "%s %s %s\n", a, b, w);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* rulesFile = KAVORAL_TRIANGLE_RULES;
    const char* outputFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rules") == 0 && i + 1 < argc) {
            rulesFile = argv[++i];
        } else if (outputFile == nullptr && argv[i][0] != '-') {
            outputFile = argv[i];
        } else {
            std::fprintf(stderr, "usage: MakeGaussFile [--rules triangle-rules.txt] [Gauss.cfs]\n");
            return 2;
        }
    }
    std::vector<Rule> triangleRules;
    if (!ReadTriangleRules(rulesFile, triangleRules)) return 1;

    UniqueFile owned;
    std::FILE* out = stdout;
    if (outputFile != nullptr) {
        owned = OpenFile(outputFile, "w");
        if (!owned) {
            Fail(std::string("cannot create ") + outputFile);
            return 1;
        }
        out = owned.get();
    }
    for (int n = 1; n <= ruleCount; ++n) WriteBlock(out, QuadrilateralRule(n));
    for (const Rule& rule : triangleRules) WriteBlock(out, rule);
    const bool written = outputFile != nullptr ? CloseWritten(owned)
                                               : std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) {
        Fail("writing the coefficients failed");
        return 1;
    }
    return 0;
}
