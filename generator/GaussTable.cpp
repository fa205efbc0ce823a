#include "generator/GaussTable.h"

#include <cmath>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "generator/KernelLanes.h"

namespace {

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

// r = y - x for every lane, with y = S0 P0 + S1 P1 + ... component by component.
template <class Shape>
void LaneDistances(const ElementLanes& e, const double* s, Vector3 x, Doubles* r) {
    const double origin[3] = {x.x, x.y, x.z};
    for (int axis = 0; axis < 3; ++axis) {
        Doubles y = Broadcast(s[0]) * e.p[0][axis];
        for (int j = 1; j < Shape::nodes; ++j) y = y + Broadcast(s[j]) * e.p[j][axis];
        r[axis] = y - Broadcast(origin[axis]);
    }
}

// Adds S_j G and S_j dG/dn to the sums of node j.
template <class Shape>
void Accumulate(const KernelLanes& kernel, const double* s, IntegralLanes& sums) {
    for (int j = 0; j < Shape::nodes; ++j) {
        const Doubles shape = Broadcast(s[j]);
        sums.gRe[j] = sums.gRe[j] + kernel.gRe * shape;
        sums.gIm[j] = sums.gIm[j] + kernel.gIm * shape;
        sums.hRe[j] = sums.hRe[j] + kernel.dRe * shape;
        sums.hIm[j] = sums.hIm[j] + kernel.dIm * shape;
    }
}

template <class Shape>
void ClearSums(IntegralLanes& sums) {
    for (int j = 0; j < Shape::nodes; ++j) {
        sums.gRe[j] = sums.gIm[j] = sums.hRe[j] = sums.hIm[j] = Broadcast(0.0);
    }
}

// Accumulates point(q, s) for q = 0 .. count - 1, the kernel of point q (times its weight) with
// its shape values s, in the order of the rule. Two points at a time: their kernels do not depend
// on each other, so the processor overlaps the long chains of dependent operations (square root,
// sine and cosine, divisions) that each one is; with four lanes a single chain keeps it half idle.
template <class Shape, class Point>
void AccumulatePoints(std::size_t count, const Point& point, IntegralLanes& sums) {
    std::size_t q = 0;
    for (; q + 1 < count; q += 2) {
        double s[Shape::nodes];
        double next[Shape::nodes];
        const KernelLanes kernel = point(q, s);
        const KernelLanes nextKernel = point(q + 1, next);
        Accumulate<Shape>(kernel, s, sums);
        Accumulate<Shape>(nextKernel, next, sums);
    }
    if (q < count) {
        double s[Shape::nodes];
        Accumulate<Shape>(point(q, s), s, sums);
    }
}

// The sums over a rule with a constant normal: the weights times the kernel, times each shape
// value, point after point in the order of the rule, then everything times the Jacobian |n0|.
template <class Shape>
void IntegrateFlat(const std::vector<double>& ra, const std::vector<double>& rb,
                   const std::vector<double>& rw, const ElementLanes& e, Vector3 x, Complex k,
                   IntegralLanes& sums) {
    const Doubles jacobian = SqrtLanes((e.n0[0] * e.n0[0] + e.n0[1] * e.n0[1]) + e.n0[2] * e.n0[2]);
    const Doubles ux = e.n0[0] / jacobian;
    const Doubles uy = e.n0[1] / jacobian;
    const Doubles uz = e.n0[2] / jacobian;
    ClearSums<Shape>(sums);
    AccumulatePoints<Shape>(
        rw.size(),
        [&](std::size_t q, double* s) {
            Shape::Values(ra[q], rb[q], s);
            Doubles r[3];
            LaneDistances<Shape>(e, s, x, r);
            KernelLanes kernel = EvaluateKernelLanes(k, r[0], r[1], r[2], ux, uy, uz);
            kernel.Scale(Broadcast(rw[q]));
            return kernel;
        },
        sums);
    for (int j = 0; j < Shape::nodes; ++j) {
        sums.gRe[j] = sums.gRe[j] * jacobian;
        sums.gIm[j] = sums.gIm[j] * jacobian;
        sums.hRe[j] = sums.hRe[j] * jacobian;
        sums.hIm[j] = sums.hIm[j] * jacobian;
    }
}

// One element in every lane.
ElementLanes OneElement(const Vector3* p, int nodes, Vector3 n0, Vector3 n1, Vector3 n2) {
    ElementLanes e;
    for (int j = 0; j < 4; ++j) {
        const Vector3 node = p[j < nodes ? j : 0];
        e.p[j][0] = Broadcast(node.x);
        e.p[j][1] = Broadcast(node.y);
        e.p[j][2] = Broadcast(node.z);
    }
    const Vector3 normals[3] = {n0, n1, n2};
    Doubles* lanes[3] = {e.n0, e.n1, e.n2};
    for (int v = 0; v < 3; ++v) {
        lanes[v][0] = Broadcast(normals[v].x);
        lanes[v][1] = Broadcast(normals[v].y);
        lanes[v][2] = Broadcast(normals[v].z);
    }
    return e;
}

// The integrals of lane 0.
void FirstLane(const IntegralLanes& sums, int nodes, Complex* g, Complex* h) {
    for (int j = 0; j < nodes; ++j) {
        g[j] = Complex{sums.gRe[j][0], sums.gIm[j][0]};
        h[j] = Complex{sums.hRe[j][0], sums.hIm[j][0]};
    }
}

}  // namespace

int CGaussTable::Init() { return Init("Gauss.cfs"); }

int CGaussTable::Init(const char* fileName) {
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
    const int status = fileIO.ReadGaussFile(fileName, quadA, quadB, quadW, triA, triB, triW);
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
    IntegralLanes sums;
    IntegrateTriangles(OneElement(p, 3, n0, n0, n0), x, k, rule, sums);
    FirstLane(sums, 3, g, h);
}

void CGaussTable::IntegrateParallelogram(const Vector3* p, Vector3 x, Complex k, Vector3 n0,
                                         int rule, Complex* g, Complex* h) const {
    IntegralLanes sums;
    IntegrateParallelograms(OneElement(p, 4, n0, n0, n0), x, k, rule, sums);
    FirstLane(sums, 4, g, h);
}

void CGaussTable::IntegrateQuadrilateral(const Vector3* p, Vector3 x, Complex k, Vector3 n0,
                                         Vector3 n1, Vector3 n2, int rule, Complex* g,
                                         Complex* h) const {
    IntegralLanes sums;
    IntegrateQuadrilaterals(OneElement(p, 4, n0, n1, n2), x, k, rule, sums);
    FirstLane(sums, 4, g, h);
}

void CGaussTable::IntegrateTriangles(const ElementLanes& elements, Vector3 x, Complex k, int rule,
                                     IntegralLanes& integrals) const {
    IntegrateFlat<TriangleShape>(triA[rule], triB[rule], triW[rule], elements, x, k, integrals);
}

void CGaussTable::IntegrateParallelograms(const ElementLanes& elements, Vector3 x, Complex k,
                                          int rule, IntegralLanes& integrals) const {
    IntegrateFlat<QuadrilateralShape>(quadA[rule], quadB[rule], quadW[rule], elements, x, k,
                                      integrals);
}

// Point after point: shape values and y as for the parallelogram, n = N0 + a N1 + b N2 with its
// length Jn as the Jacobian, the kernel times Jn w, and no final multiplication.
void CGaussTable::IntegrateQuadrilaterals(const ElementLanes& e, Vector3 x, Complex k, int rule,
                                          IntegralLanes& sums) const {
    const std::vector<double>& ra = quadA[rule];
    const std::vector<double>& rb = quadB[rule];
    const std::vector<double>& rw = quadW[rule];
    ClearSums<QuadrilateralShape>(sums);
    AccumulatePoints<QuadrilateralShape>(
        rw.size(),
        [&](std::size_t q, double* s) {
            const double a = ra[q];
            const double b = rb[q];
            QuadrilateralShape::Values(a, b, s);
            Doubles r[3];
            LaneDistances<QuadrilateralShape>(e, s, x, r);
            Doubles n[3];
            for (int axis = 0; axis < 3; ++axis)
                n[axis] = (e.n0[axis] + Broadcast(a) * e.n1[axis]) + Broadcast(b) * e.n2[axis];
            const Doubles jacobian = SqrtLanes((n[0] * n[0] + n[1] * n[1]) + n[2] * n[2]);
            KernelLanes kernel = EvaluateKernelLanes(k, r[0], r[1], r[2], n[0] / jacobian,
                                                     n[1] / jacobian, n[2] / jacobian);
            kernel.Scale(jacobian * Broadcast(rw[q]));
            return kernel;
        },
        sums);
}
