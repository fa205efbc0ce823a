#include "generator/GaussTable.h"

#include <cmath>
#include <new>

#include "app/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"

namespace {

inline Complex Scale(Complex c, double s) { return {c.re * s, c.im * s}; }

// Shape function values at (a, b): triangle nodes 0, 1, 2 are b, 1 - a - b, a; quadrilateral
// nodes 0 to 3 are b (1 - a), (1 - a)(1 - b), a (1 - b), a b.
struct TriangleShape {
    static constexpr int nodes = 3;
    static void Values(double a, double b, double* s) {
        s[0] = b;
        s[1] = 1.0 - a - b;
        s[2] = a;
    }
};

struct QuadrilateralShape {
    static constexpr int nodes = 4;
    static void Values(double a, double b, double* s) {
        s[0] = b * (1.0 - a);
        s[1] = (1.0 - a) * (1.0 - b);
        s[2] = a * (1.0 - b);
        s[3] = a * b;
    }
};

template <class Shape>
Vector3 MapPoint(const Vector3* p, const double* s) {
    Vector3 y = s[0] * p[0];
    for (int j = 1; j < Shape::nodes; ++j) y = y + s[j] * p[j];
    return y;
}

// The sums over a rule with a constant normal: the weights times the kernel, times each shape
// value, then everything times the Jacobian |n0|.
template <class Shape>
void IntegrateFlat(const std::vector<double>& ra, const std::vector<double>& rb,
                   const std::vector<double>& rw, const Vector3* p, Vector3 x, Complex k,
                   Vector3 n0, Complex* g, Complex* h) {
    const double jacobian = Length(n0);
    const Vector3 u = {n0.x / jacobian, n0.y / jacobian, n0.z / jacobian};
    for (int j = 0; j < Shape::nodes; ++j) g[j] = h[j] = Complex{0.0, 0.0};
    const std::size_t count = rw.size();
    for (std::size_t q = 0; q < count; ++q) {
        const double a = ra[q];
        const double b = rb[q];
        const double w = rw[q];
        double s[Shape::nodes];
        Shape::Values(a, b, s);
        const Vector3 y = MapPoint<Shape>(p, s);
        Complex kernel;
        Complex derivative;
        CGaussTable::EvaluateKernel(k, y - x, u, kernel, derivative);
        kernel = Scale(kernel, w);
        derivative = Scale(derivative, w);
        for (int j = 0; j < Shape::nodes; ++j) {
            g[j] += Scale(kernel, s[j]);
            h[j] += Scale(derivative, s[j]);
        }
    }
    for (int j = 0; j < Shape::nodes; ++j) {
        g[j] = Scale(g[j], jacobian);
        h[j] = Scale(h[j], jacobian);
    }
}

}  // namespace

int CGaussTable::Init() {
    try {
        for (int n = 1; n <= ruleCount; ++n) {
            const std::size_t quadSize = static_cast<std::size_t>(n * n);
            const std::size_t triSize = static_cast<std::size_t>(n * (n + 1) / 2);
            quadA[n - 1].resize(quadSize);
            quadB[n - 1].resize(quadSize);
            quadW[n - 1].resize(quadSize);
            triA[n - 1].resize(triSize);
            triB[n - 1].resize(triSize);
            triW[n - 1].resize(triSize);
        }
    } catch (const std::bad_alloc&) {
        logFile.ReportError("CGenerator", "Init", Message::noMemory, "");
        return Status::noMemory;
    }
    CFileIO fileIO;
    const int status = fileIO.ReadGaussFile("Gauss.cfs", quadA, quadB, quadW, triA, triB, triW);
    return status < 0 ? status : Status::ok;
}

void CGaussTable::EvaluateKernel(Complex k, Vector3 r, Vector3 n, Complex& g, Complex& dgdn) {
    const double distance = Length(r);
    // A real wave number (no damping) needs no exponential: exp(0) is exactly 1.
    const double decay = k.im == 0.0 ? 1.0 : std::exp(k.im * distance);
    const double phase = k.re * distance;
    g.re = decay * std::cos(phase) / distance;
    g.im = -(decay * std::sin(phase)) / distance;
    // dR/dn = (r . n) / R; j k + 1/R = (1/R - ki) + j kr
    const Complex factor = {1.0 / distance - k.im, k.re};
    const Complex product = g * factor;
    const double rn = Dot(r, n);
    dgdn.re = -product.re * rn / distance;
    dgdn.im = -product.im * rn / distance;
}

void CGaussTable::IntegrateTriangle(const Vector3* p, Vector3 x, Complex k, Vector3 n0, int rule,
                                    Complex* g, Complex* h) const {
    IntegrateFlat<TriangleShape>(triA[rule], triB[rule], triW[rule], p, x, k, n0, g, h);
}

void CGaussTable::IntegrateParallelogram(const Vector3* p, Vector3 x, Complex k, Vector3 n0,
                                         int rule, Complex* g, Complex* h) const {
    IntegrateFlat<QuadrilateralShape>(quadA[rule], quadB[rule], quadW[rule], p, x, k, n0, g, h);
}

void CGaussTable::IntegrateQuadrilateral(const Vector3* p, Vector3 x, Complex k, Vector3 n0,
                                         Vector3 n1, Vector3 n2, int rule, Complex* g,
                                         Complex* h) const {
    const std::vector<double>& ra = quadA[rule];
    const std::vector<double>& rb = quadB[rule];
    const std::vector<double>& rw = quadW[rule];
    for (int j = 0; j < 4; ++j) g[j] = h[j] = Complex{0.0, 0.0};
    const std::size_t count = rw.size();
    for (std::size_t q = 0; q < count; ++q) {
        const double a = ra[q];
        const double b = rb[q];
        const double w = rw[q];
        double s[4];
        QuadrilateralShape::Values(a, b, s);
        const Vector3 y = MapPoint<QuadrilateralShape>(p, s);
        const Vector3 n = n0 + a * n1 + b * n2;
        const double jacobian = Length(n);
        const Vector3 u = {n.x / jacobian, n.y / jacobian, n.z / jacobian};
        Complex kernel;
        Complex derivative;
        EvaluateKernel(k, y - x, u, kernel, derivative);
        const double factor = jacobian * w;
        kernel = Scale(kernel, factor);
        derivative = Scale(derivative, factor);
        for (int j = 0; j < 4; ++j) {
            g[j] += Scale(kernel, s[j]);
            h[j] += Scale(derivative, s[j]);
        }
    }
}
