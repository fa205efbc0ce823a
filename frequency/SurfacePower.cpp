#include "frequency/SurfacePower.h"

#include <cmath>
#include <cstddef>

#include "base/Vector3.h"

namespace {

// Re(p conj(v)) = p.re v.re + p.im v.im.
double RealProduct(Complex p, Complex v) { return p.re * v.re + p.im * v.im; }

// Re of the sum over i, j of m_ij p_i conj(v_j) for the symmetric mass matrix m of one element.
double ElementSum(const double (&m)[4][4], int nodes, const Complex* p, const Complex* v) {
    double sum = 0.0;
    for (int i = 0; i < nodes; ++i)
        for (int j = 0; j < nodes; ++j) sum += m[i][j] * RealProduct(p[i], v[j]);
    return sum;
}

// The integrals of N_i N_j over a triangle: area (1 + [i = j]) / 12.
void TriangleMass(Vector3 p0, Vector3 p1, Vector3 p2, double (&m)[4][4]) {
    const double area = 0.5 * Length(Cross(p1 - p0, p2 - p0));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = area * (i == j ? 2.0 : 1.0) / 12.0;
}

// The integrals of N_i N_j over the bilinear quadrilateral x(s, t) = (1-s)(1-t) x0 + s(1-t) x1
// + st x2 + (1-s)t x3 on the unit square, by the three-point Gauss rule in s and in t.
void QuadrilateralMass(const Vector3 (&x)[4], double (&m)[4][4]) {
    const double d = std::sqrt(0.6) / 2.0;
    const double abscissas[3] = {0.5 - d, 0.5, 0.5 + d};
    const double weights[3] = {5.0 / 18.0, 8.0 / 18.0, 5.0 / 18.0};
    for (auto& row : m)
        for (double& entry : row) entry = 0.0;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            const double s = abscissas[a];
            const double t = abscissas[b];
            const double n[4] = {(1 - s) * (1 - t), s * (1 - t), s * t, (1 - s) * t};
            const Vector3 dxds = (1 - t) * (x[1] - x[0]) + t * (x[2] - x[3]);
            const Vector3 dxdt = (1 - s) * (x[3] - x[0]) + s * (x[2] - x[1]);
            const double w = weights[a] * weights[b] * Length(Cross(dxds, dxdt));
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) m[i][j] += w * n[i] * n[j];
        }
    }
}

}  // namespace

double RadiatedPower(const CGenerator& generator, const Complex* pressures,
                     const Complex* velocities) {
    double sum = 0.0;
    for (int e = 0; e < generator.totalElementCount; ++e) {
        const SurfaceElement& element = generator.elements[static_cast<std::size_t>(e)];
        const int nodes = element.nodeCount;
        if (nodes != 3 && nodes != 4) continue;
        Vector3 x[4];
        Complex p[4];
        Complex v[4];
        for (int j = 0; j < nodes; ++j) {
            const std::size_t point = element.nodes[j];
            const std::size_t source = generator.sourcePointIndex[point];
            const double factor = generator.nodeFactors[static_cast<std::size_t>(e)][j];
            x[j] = generator.points[point];
            p[j] = pressures[source];
            v[j] = Complex{factor * velocities[source].re, factor * velocities[source].im};
        }
        double m[4][4];
        if (nodes == 3) {
            TriangleMass(x[0], x[1], x[2], m);
        } else {
            QuadrilateralMass(x, m);
        }
        sum += ElementSum(m, nodes, p, v);
    }
    return 0.5 * sum;
}
