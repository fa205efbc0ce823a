// The rows of A and B as the generator integrates them, elements side by side in vector lanes,
// against the element-by-element integration with the scalar kernel (the C library's sine,
// cosine and exponential), written out here. The two differ only where the vector functions
// differ from the library's in the last place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Constants.h"
#include "generator/Generator.h"
#include "meshes/Mesh.h"
#include "support/TestSupport.h"

namespace {

void Shape(int nodes, double a, double b, double* s) {
    if (nodes == 3) {
        s[0] = b;
        s[1] = 1.0 - a - b;
        s[2] = a;
    } else {
        s[0] = b * (1.0 - a);
        s[1] = (1.0 - a) * (1.0 - b);
        s[2] = a * (1.0 - b);
        s[3] = a * b;
    }
}

// One element, point after point with CGaussTable::EvaluateKernel.
void ScalarElement(const CGenerator& generator, int e, Vector3 x, Complex k, Complex* g,
                   Complex* h) {
    const SurfaceElement& element = generator.elements[e];
    const int nodes = element.nodeCount;
    const int rule = generator.RuleIndex(x, element);
    const CGaussTable& table = generator.gaussTable;
    const std::vector<double>& ra = nodes == 3 ? table.triA[rule] : table.quadA[rule];
    const std::vector<double>& rb = nodes == 3 ? table.triB[rule] : table.quadB[rule];
    const std::vector<double>& rw = nodes == 3 ? table.triW[rule] : table.quadW[rule];
    const bool flat = nodes == 3 || generator.isParallelogram[e] != 0;
    const Vector3 n0 = generator.normalBase[e];
    const double flatJacobian = Length(n0);
    for (int j = 0; j < nodes; ++j) g[j] = h[j] = Complex{0.0, 0.0};
    for (std::size_t q = 0; q < rw.size(); ++q) {
        double s[4];
        Shape(nodes, ra[q], rb[q], s);
        Vector3 y = s[0] * generator.points[element.nodes[0]];
        for (int j = 1; j < nodes; ++j) y = y + s[j] * generator.points[element.nodes[j]];
        Vector3 n = n0;
        if (!flat) n = n0 + ra[q] * generator.normalSlopeA[e] + rb[q] * generator.normalSlopeB[e];
        const double jacobian = flat ? flatJacobian : Length(n);
        const Vector3 u = {n.x / jacobian, n.y / jacobian, n.z / jacobian};
        Complex kernel;
        Complex derivative;
        CGaussTable::EvaluateKernel(k, y - x, u, kernel, derivative);
        const double factor = flat ? rw[q] : jacobian * rw[q];
        kernel = Complex{kernel.re * factor, kernel.im * factor};
        derivative = Complex{derivative.re * factor, derivative.im * factor};
        for (int j = 0; j < nodes; ++j) {
            g[j] += Complex{kernel.re * s[j], kernel.im * s[j]};
            h[j] += Complex{derivative.re * s[j], derivative.im * s[j]};
        }
    }
    if (!flat) return;
    for (int j = 0; j < nodes; ++j) {
        g[j] = Complex{g[j].re * flatJacobian, g[j].im * flatJacobian};
        h[j] = Complex{h[j].re * flatJacobian, h[j].im * flatJacobian};
    }
}

void ScalarRow(const CGenerator& generator, Vector3 x, Complex k, std::vector<Complex>& a,
               std::vector<Complex>& b) {
    a.assign(static_cast<std::size_t>(generator.pointCount), Complex{0.0, 0.0});
    b = a;
    for (int e = 0; e < generator.totalElementCount; ++e) {
        Complex g[4];
        Complex h[4];
        ScalarElement(generator, e, x, k, g, h);
        const SurfaceElement& element = generator.elements[e];
        for (int j = 0; j < element.nodeCount; ++j) {
            const int c = generator.sourcePointIndex[element.nodes[j]];
            a[c] += h[j];
            const double f = generator.nodeFactors[e][j];
            b[c] += Complex{f * g[j].re, f * g[j].im};
        }
    }
}

double RelativeDifference(Complex value, Complex reference) {
    const double scale = Abs(reference);
    const double difference = Abs(value - reference);
    return difference == 0.0 ? 0.0 : difference / scale;
}

// The largest relative difference of an entry over the rows of every step-th point, with the
// row points themselves and with points off the surface.
double WorstEntry(const meshes::Mesh& mesh, Complex soundVelocity, double frequency, int step) {
    ConsoleCapture quiet;  // the preparation's progress lines
    ConfigData config;
    config.soundVelocity = soundVelocity;
    config.division[0] = 2.5 * meshes::LongestEdge(mesh);
    config.division[1] = 6.0 * meshes::LongestEdge(mesh);
    CSurface surface(config);
    meshes::Load(surface, mesh);
    EXPECT_GE(surface.PrepareSurface(1), 0);
    CGenerator generator(config);
    EXPECT_EQ(generator.Init(surface), 0);
    EXPECT_EQ(generator.LoadRules(test::GaussFile().c_str()), 0);
    const Complex k = generator.WaveNumber(2.0 * pi * frequency);
    std::vector<Complex> a(static_cast<std::size_t>(generator.pointCount));
    std::vector<Complex> b(a.size());
    std::vector<Complex> referenceA;
    std::vector<Complex> referenceB;
    double worst = 0.0;
    for (int p = 0; p < generator.pointCount; p += step) {
        for (const double lift : {1.0, 1.3}) {
            const Vector3 x = lift * generator.points[p];
            generator.ComputeRowInto(x, k, a.data(), b.data());
            ScalarRow(generator, x, k, referenceA, referenceB);
            for (std::size_t c = 0; c < a.size(); ++c) {
                worst = std::max(worst, RelativeDifference(a[c], referenceA[c]));
                worst = std::max(worst, RelativeDifference(b[c], referenceB[c]));
            }
        }
    }
    return worst;
}

}  // namespace

TEST(BatchedIntegration, EveryEntryIsWithin1e14OfTheScalarKernelsIntegral) {
    struct Case {
        std::string name;
        meshes::Mesh mesh;
        Complex velocity;
        double frequency;
        int step;
    };
    const Case cases[] = {
        // Triangles, ka from 0.2 to 20 on the unit sphere, also damped (the exponential).
        {"icosphere 3, ka 1", meshes::Icosphere(1.0, 3), {343.0, 0.0}, 54.6, 7},
        {"icosphere 3, ka 20", meshes::Icosphere(1.0, 3), {343.0, 0.0}, 1092.0, 7},
        {"icosphere 2, damped", meshes::Icosphere(1.0, 2), {343.0, 30.0}, 300.0, 1},
        // General quadrilaterals with a varying Jacobian.
        {"cubed sphere, ka 3", meshes::CubedSphere(1.0, 6), {343.0, 0.0}, 163.8, 3},
        {"cubed sphere, damped", meshes::CubedSphere(1.0, 4), {343.0, -5.0}, 500.0, 1},
        // Parallelograms.
        {"cube of squares", meshes::CubeOfSquares(1.0, 5), {343.0, 0.0}, 200.0, 5},
    };
    double overall = 0.0;
    for (const Case& c : cases) {
        const double worst = WorstEntry(c.mesh, c.velocity, c.frequency, c.step);
        EXPECT_LE(worst, 1e-14) << c.name;
        std::printf("  %-22s worst relative difference of an entry %.2e\n", c.name.c_str(), worst);
        overall = std::max(overall, worst);
    }
    // Nearly every entry collects dozens of integration points, some of whose sines differ from
    // the library's in the last place, so the rows do differ.
    EXPECT_GT(overall, 0.0);
}
