// The element integration of the generator: kernel values, the per-element geometry, the rule
// selection, and whole rows compared entry by entry with a reference written here from the
// definitions (the Jacobian from the derivatives of the element map, the kernel from dG/dR).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "support/TestSupport.h"
#include "base/Constants.h"
#include "generator/Generator.h"

namespace {

// A piece of surface held as the arrays the generator takes over: points with their directions,
// elements, and the column of every point.
struct Patch {
    std::vector<Vector3> points;
    std::vector<Vector3> directions;
    std::vector<SurfaceElement> elements;
    std::vector<SurfaceIndex> source;  // empty: every point is its own column
    int columns = 0;                    // 0: one column per point

    int AddPoint(Vector3 p) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (Length(points[i] - p) < 1e-12) return static_cast<int>(i);
        }
        points.push_back(p);
        directions.push_back({0.0, 0.0, 0.0});
        return static_cast<int>(points.size()) - 1;
    }
    void AddElement(std::vector<Vector3> corners) {
        SurfaceElement element{static_cast<std::int32_t>(corners.size()),
                               {unusedNode, unusedNode, unusedNode, unusedNode}};
        for (std::size_t j = 0; j < corners.size() && j < 4; ++j)
            element.nodes[j] = static_cast<SurfaceIndex>(AddPoint(corners[j]));
        elements.push_back(element);
    }
};

// The unit cube [0, 1]^3 of six quadrilaterals, node order counter-clockwise seen from outside.
Patch Cube() {
    Patch mesh;
    const Vector3 unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = -1; side <= 1; side += 2) {
            const Vector3 n = static_cast<double>(side) * unit[axis];
            const Vector3 u = unit[(axis + 1) % 3];
            const Vector3 v = Cross(n, u);
            const Vector3 c = Vector3{0.5, 0.5, 0.5} + 0.5 * n;
            mesh.AddElement({c - 0.5 * u - 0.5 * v, c + 0.5 * u - 0.5 * v, c + 0.5 * u + 0.5 * v,
                             c - 0.5 * u + 0.5 * v});
        }
    }
    return mesh;
}

// A tetrahedron with outward node order.
Patch Tetrahedron() {
    Patch mesh;
    const Vector3 o = {0, 0, 0}, x = {1, 0, 0}, y = {0, 1, 0}, z = {0, 0, 1};
    mesh.AddElement({o, y, x});
    mesh.AddElement({o, x, z});
    mesh.AddElement({o, z, y});
    mesh.AddElement({x, y, z});
    return mesh;
}

const CGaussTable& SharedRules() {
    static std::unique_ptr<CGaussTable> table;
    if (!table) {
        table = std::make_unique<CGaussTable>();
        test::TempDir dir;
        test::CopyGaussFile(dir.Path());
        test::ChangeDir change(dir.Path());
        EXPECT_EQ(table->Init(), 0);
    }
    return *table;
}

void CopyRules(CGaussTable& to) {
    const CGaussTable& from = SharedRules();
    for (int i = 0; i < CGaussTable::ruleCount; ++i) {
        to.quadA[i] = from.quadA[i];
        to.quadB[i] = from.quadB[i];
        to.quadW[i] = from.quadW[i];
        to.triA[i] = from.triA[i];
        to.triB[i] = from.triB[i];
        to.triW[i] = from.triW[i];
    }
}

ConfigData Config(double near = 0.1, double middle = 0.5) {
    ConfigData config;
    config.division[0] = near;
    config.division[1] = middle;
    return config;
}

// A generator over a mesh, initialised and with its rules loaded, and one row of raw integrals
// at the wave number k.
struct RowGenerator : CGenerator {
    explicit RowGenerator(ConfigData configData) : CGenerator(configData) {}
    int ComputeRow(Vector3 x) {
        ComputeRowInto(x, waveNumber, rowA.data(), rowB.data());
        return 0;
    }
    Complex waveNumber{0.0, 0.0};
    std::vector<Complex> rowA;
    std::vector<Complex> rowB;
};

// A mesh without a column map gets one column per point.
std::unique_ptr<RowGenerator> Attach(Patch& mesh, Complex k, ConfigData config = Config()) {
    if (mesh.source.empty()) {
        for (std::size_t i = 0; i < mesh.points.size(); ++i)
            mesh.source.push_back(static_cast<SurfaceIndex>(i));
    }
    CSurface surface(config);
    surface.pointCount = mesh.columns > 0 ? mesh.columns : static_cast<int>(mesh.points.size());
    surface.totalPointCount = static_cast<int>(mesh.points.size());
    surface.totalElementCount = static_cast<int>(mesh.elements.size());
    surface.points = mesh.points;
    surface.pointDirections = mesh.directions;
    surface.elements = mesh.elements;
    surface.sourcePointIndex = mesh.source;
    auto generator = std::make_unique<RowGenerator>(config);
    EXPECT_EQ(generator->Init(surface), 0);
    generator->waveNumber = k;
    generator->rowA.resize(static_cast<std::size_t>(generator->pointCount));
    generator->rowB.resize(static_cast<std::size_t>(generator->pointCount));
    CopyRules(generator->gaussTable);
    generator->config.quadratureOrder[quadratureNear] = 12;
    generator->config.quadratureOrder[quadratureMiddle] = 6;
    generator->config.quadratureOrder[quadratureFar] = 2;
    return generator;
}

// ---- the reference -------------------------------------------------------------------------

struct Value {
    double re;
    double im;
};

// G = exp(-j k R) / R; dG/dn = dG/dR (r . n) / R with dG/dR = G (-j k - 1/R).
void ReferenceKernel(Complex k, Vector3 r, Vector3 n, Value& g, Value& dgdn) {
    const double distance = Length(r);
    const double magnitude = std::exp(k.im * distance) / distance;
    g = {magnitude * std::cos(k.re * distance), -magnitude * std::sin(k.re * distance)};
    const Value factor = {k.im - 1.0 / distance, -k.re};
    const double slope = Dot(r, n) / distance;
    dgdn = {(g.re * factor.re - g.im * factor.im) * slope,
            (g.re * factor.im + g.im * factor.re) * slope};
}

// The map of an element and its derivatives at (a, b).
void ReferenceMap(const std::vector<Vector3>& p, double a, double b, Vector3& y, Vector3& da,
                  Vector3& db, double* shape) {
    if (p.size() == 3) {
        shape[0] = b, shape[1] = 1 - a - b, shape[2] = a;
        da = p[2] - p[1];
        db = p[0] - p[1];
    } else {
        shape[0] = b * (1 - a), shape[1] = (1 - a) * (1 - b), shape[2] = a * (1 - b),
        shape[3] = a * b;
        da = -b * p[0] - (1 - b) * p[1] + (1 - b) * p[2] + b * p[3];
        db = (1 - a) * p[0] - (1 - a) * p[1] - a * p[2] + a * p[3];
    }
    y = {0, 0, 0};
    for (std::size_t j = 0; j < p.size(); ++j) y = y + shape[j] * p[j];
}

struct Row {
    std::vector<Value> a;
    std::vector<Value> b;
};

Row ReferenceRow(const Patch& mesh, Vector3 x, Complex k, ConfigData config, double paraEps) {
    const int columns = mesh.columns > 0 ? mesh.columns : static_cast<int>(mesh.points.size());
    Row row{std::vector<Value>(columns, {0, 0}), std::vector<Value>(columns, {0, 0})};
    const CGaussTable& rules = SharedRules();
    for (const SurfaceElement& element : mesh.elements) {
        if (element.nodeCount != 3 && element.nodeCount != 4) continue;
        std::vector<Vector3> p;
        for (int j = 0; j < element.nodeCount; ++j) p.push_back(mesh.points[element.nodes[j]]);
        const bool triangle = p.size() == 3;
        const double d = Length(x - p[0]);
        const int order = d < config.division[0] ? 12 : d < config.division[1] ? 6 : 2;
        const std::vector<double>& ra = triangle ? rules.triA[order] : rules.quadA[order];
        const std::vector<double>& rb = triangle ? rules.triB[order] : rules.quadB[order];
        const std::vector<double>& rw = triangle ? rules.triW[order] : rules.quadW[order];
        const bool flat =
            triangle || std::fabs(Length(p[1] + p[3] - 2.0 * p[0]) - Length(p[2] - p[0])) /
                                Length(p[1] + p[3] - 2.0 * p[0]) <
                            paraEps;
        Value g[4] = {}, h[4] = {};
        double shape[4];
        Vector3 y, da, db;
        ReferenceMap(p, 0, 0, y, da, db, shape);
        const Vector3 n0 = Cross(da, db);
        for (std::size_t q = 0; q < rw.size(); ++q) {
            ReferenceMap(p, ra[q], rb[q], y, da, db, shape);
            const Vector3 n = flat ? n0 : Cross(da, db);
            const double jacobian = Length(n);
            Value kernel, derivative;
            ReferenceKernel(k, y - x, (1.0 / jacobian) * n, kernel, derivative);
            for (std::size_t j = 0; j < p.size(); ++j) {
                const double f = rw[q] * jacobian * shape[j];
                g[j].re += f * kernel.re, g[j].im += f * kernel.im;
                h[j].re += f * derivative.re, h[j].im += f * derivative.im;
            }
        }
        const double corner[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        for (int j = 0; j < element.nodeCount; ++j) {
            const Vector3 direction = mesh.directions[element.nodes[j]];
            ReferenceMap(p, corner[j][0], corner[j][1], y, da, db, shape);
            const Vector3 n = flat ? n0 : Cross(da, db);
            const double factor = Length(direction) == 0.0 ? 1.0 : Dot(direction, n) / Length(n);
            const int c = mesh.source[element.nodes[j]];
            row.a[c].re += h[j].re, row.a[c].im += h[j].im;
            row.b[c].re += factor * g[j].re, row.b[c].im += factor * g[j].im;
        }
    }
    return row;
}

// Every entry of the generator's row against the reference, relative to the row's largest entry.
void ExpectRowsMatch(const RowGenerator& generator, const Row& reference, const char* what) {
    double scaleA = 0.0, scaleB = 0.0;
    for (const Value& v : reference.a) scaleA = std::max(scaleA, std::hypot(v.re, v.im));
    for (const Value& v : reference.b) scaleB = std::max(scaleB, std::hypot(v.re, v.im));
    for (std::size_t c = 0; c < reference.a.size(); ++c) {
        EXPECT_NEAR(generator.rowA[c].re, reference.a[c].re, 1e-13 * scaleA) << what << " A " << c;
        EXPECT_NEAR(generator.rowA[c].im, reference.a[c].im, 1e-13 * scaleA) << what << " A " << c;
        EXPECT_NEAR(generator.rowB[c].re, reference.b[c].re, 1e-13 * scaleB) << what << " B " << c;
        EXPECT_NEAR(generator.rowB[c].im, reference.b[c].im, 1e-13 * scaleB) << what << " B " << c;
    }
}

double SumRealA(const RowGenerator& generator) {
    double sum = 0.0;
    for (const Complex& value : generator.rowA) sum += value.re;
    return sum;
}

// ---- tests -----------------------------------------------------------------------------------

TEST(Kernel, GivesTheGreensFunctionAndItsNormalDerivative) {
    Complex g, dgdn;
    const Vector3 r = {1, 0, 0}, n = {1, 0, 0};
    CGaussTable::EvaluateKernel({1.0, 0.0}, r, n, g, dgdn);
    EXPECT_NEAR(g.re, 0.540302, 5e-7);
    EXPECT_NEAR(g.im, -0.841471, 5e-7);
    EXPECT_NEAR(dgdn.re, -1.381773, 5e-7);
    EXPECT_NEAR(dgdn.im, 0.301169, 5e-7);
    CGaussTable::EvaluateKernel({1.0, -0.1}, r, n, g, dgdn);
    EXPECT_NEAR(g.re, 0.488886, 5e-7);
    EXPECT_NEAR(g.im, -0.761394, 5e-7);
    EXPECT_NEAR(dgdn.re, -1.299169, 5e-7);
    EXPECT_NEAR(dgdn.im, 0.348648, 5e-7);
    // Static kernel: 1/R and -(r . n) / R^3, here R = 3.
    CGaussTable::EvaluateKernel({0.0, 0.0}, {1, 2, 2}, {0, 0.6, 0.8}, g, dgdn);
    EXPECT_DOUBLE_EQ(g.re, 1.0 / 3.0);
    EXPECT_EQ(g.im, 0.0);
    EXPECT_DOUBLE_EQ(dgdn.re, -2.8 / 27.0);
    EXPECT_EQ(dgdn.im, 0.0);
}

TEST(ElementGeometry, ParallelogramTestComparesOnlyTheTwoLengths) {
    Patch mesh;
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0}});       // rectangle
    mesh.AddElement({{0.5, 1, 0}, {0, 0, 0}, {2, 0, 0}, {2.5, 1, 0}});   // parallelogram
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {2, 0, 0}, {1, 1, 0}});       // trapezoid
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {1, 0, 0.0001}, {1, 1, 0}});  // slightly warped
    // No parallelogram, but |P1 + P3 - 2 P0| = |P2 - P0| = sqrt 5.
    mesh.AddElement({{0, 0, 5}, {2, 0, 5}, {1, 2, 5}, {0, 1, 5}});
    mesh.AddElement({{0, 0, 9}, {1, 0, 9}, {0, 1, 9}});  // triangle
    auto generator = Attach(mesh, {0, 0});
    EXPECT_EQ(generator->isParallelogram, (std::vector<unsigned char>{1, 1, 0, 1, 1, 0}));
    // The general quadrilateral's Jacobian vector at node 1 is N0, and N1 = N2 = 0 for a
    // parallelogram.
    EXPECT_EQ(Length(generator->normalSlopeA[1]), 0.0);
    EXPECT_EQ(Length(generator->normalSlopeB[1]), 0.0);
    EXPECT_DOUBLE_EQ(generator->normalBase[0].z, 2.0);
}

TEST(ElementGeometry, NormalFactorIsTheDirectionAlongTheNodeNormal) {
    Patch mesh;
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {1, 0, 0}});  // normal +z
    mesh.directions[0] = {0, 0, 0};                      // no direction: 1
    mesh.directions[1] = {0, 0, 2};                      // along the normal, length 2
    mesh.directions[2] = {1, 0, 0};                      // at right angles
    // A trapezoid: the node normals of the bilinear map are all +z but of different length.
    mesh.AddElement({{0, 1, 1}, {0, 0, 1}, {2, 0, 1}, {1, 1, 1}});
    for (int i = 3; i < 7; ++i) mesh.directions[i] = {0, 0.6, -0.8};
    auto generator = Attach(mesh, {0, 0});
    EXPECT_EQ(generator->nodeFactors[0][0], 1.0);
    EXPECT_DOUBLE_EQ(generator->nodeFactors[0][1], 2.0);
    EXPECT_EQ(generator->nodeFactors[0][2], 0.0);
    for (int j = 0; j < 4; ++j) EXPECT_DOUBLE_EQ(generator->nodeFactors[1][j], -0.8) << j;
}

TEST(ElementGeometry, RuleIsChosenByTheDistanceToNodeZeroWithStrictComparisons) {
    Patch mesh;
    mesh.AddElement({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    auto generator = Attach(mesh, {0, 0}, Config(0.25, 0.5));
    const SurfaceElement& element = mesh.elements[0];
    EXPECT_EQ(generator->RuleIndex({0, 0, 0}, element), 12);
    EXPECT_EQ(generator->RuleIndex({0, 0, 0.2499999}, element), 12);
    EXPECT_EQ(generator->RuleIndex({0, 0, 0.25}, element), 6);
    EXPECT_EQ(generator->RuleIndex({0, 0, -0.4999999}, element), 6);
    EXPECT_EQ(generator->RuleIndex({0, 0.5, 0}, element), 2);
    // Nodes 1 and 2 do not count: near node 1 but far from node 0.
    EXPECT_EQ(generator->RuleIndex({1, 0, 0.01}, element), 2);
    // A second value not above the first: the middle rule is never used.
    auto inverted = Attach(mesh, {0, 0}, Config(0.5, 0.25));
    EXPECT_EQ(inverted->RuleIndex({0, 0, 0.3}, element), 12);
    EXPECT_EQ(inverted->RuleIndex({0, 0, 0.5}, element), 2);
}

TEST(RowAssembly, TetrahedronRowsMatchTheReferenceEntryByEntry) {
    Patch mesh = Tetrahedron();
    mesh.directions[1] = {0.3, -0.2, 0.9};
    mesh.directions[3] = {0, 0, 1};
    const ConfigData config = Config(0.5, 1.2);  // every rule in use
    for (const Complex k : {Complex{0, 0}, Complex{2.0, 0}, Complex{3.0, -0.4}}) {
        auto generator = Attach(mesh, k, config);
        const Vector3 rows[] = {mesh.points[0], mesh.points[2], {0.2, 0.2, 0.2}, {2, -1, 0.5}};
        for (const Vector3 x : rows) {
            EXPECT_EQ(generator->ComputeRow(x), 0);
            ExpectRowsMatch(*generator, ReferenceRow(mesh, x, k, config, 1e-3), "tetrahedron");
        }
    }
}

TEST(RowAssembly, CubeOfParallelogramsMatchesTheReferenceEntryByEntry) {
    Patch mesh = Cube();
    for (std::size_t i = 0; i < mesh.points.size(); ++i)
        mesh.directions[i] = (i % 2 == 0) ? Vector3{0, 0, 0} : Vector3{0.6, 0, 0.8};
    const ConfigData config = Config(0.3, 1.1);
    const Complex k = {4.0, -0.2};
    auto generator = Attach(mesh, k, config);
    for (unsigned char flag : generator->isParallelogram) EXPECT_EQ(flag, 1);
    for (const Vector3 x : {mesh.points[0], mesh.points[5], Vector3{0.37, 0.61, 1.0}}) {
        generator->ComputeRow(x);
        ExpectRowsMatch(*generator, ReferenceRow(mesh, x, k, config, 1e-3), "cube");
    }
}

TEST(RowAssembly, WarpedQuadrilateralUsesTheVaryingJacobian) {
    Patch mesh;
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {1, 0, 0.4}, {1.2, 1, 0}});
    mesh.directions[2] = {0, 0, 1};
    const ConfigData config = Config(0.3, 1.5);
    const Complex k = {2.5, 0};
    auto generator = Attach(mesh, k, config);
    EXPECT_EQ(generator->isParallelogram[0], 0);
    for (const Vector3 x : {Vector3{0.5, 0.5, 0.5}, Vector3{0, 1, 0.1}, Vector3{3, 3, 3}}) {
        generator->ComputeRow(x);
        ExpectRowsMatch(*generator, ReferenceRow(mesh, x, k, config, 1e-3), "warped");
    }
}

// Division lengths that select the near rule for every element of the small test meshes.
ConfigData NearEverywhere() { return Config(10.0, 20.0); }

TEST(RowAssembly, FlatElementsContributeNoDoubleLayerAtTheirOwnNodes) {
    // At a cube corner only the three faces away from it contribute to the static double layer,
    // which is minus the solid angle of the cube at the corner, pi/2.
    Patch mesh = Cube();
    auto generator = Attach(mesh, {0, 0}, NearEverywhere());
    generator->ComputeRow(mesh.points[0]);
    EXPECT_NEAR(SumRealA(*generator), -pi / 2, 1e-12);
    // A face through the corner: its h values vanish when integrated alone.
    Patch face;
    face.AddElement({{0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    auto single = Attach(face, {1.5, 0});
    for (const Vector3 x : face.points) {
        single->ComputeRow(x);
        for (const Complex& value : single->rowA) {
            EXPECT_LT(std::fabs(value.re), 1e-15);
            EXPECT_LT(std::fabs(value.im), 1e-15);
        }
    }
}

TEST(RowAssembly, StaticDoubleLayerOfAClosedSurfaceIsMinusTheEnclosedSolidAngle) {
    // Gauss's theorem: -4 pi inside, 0 outside, for any closed surface with outward normals.
    Patch cube = Cube();
    auto generator = Attach(cube, {0, 0}, NearEverywhere());
    generator->ComputeRow({0.45, 0.5, 0.55});
    EXPECT_NEAR(SumRealA(*generator), -4 * pi, 1e-8);
    generator->ComputeRow({1.7, 0.4, -0.6});
    EXPECT_NEAR(SumRealA(*generator), 0.0, 1e-9);
    Patch tetrahedron = Tetrahedron();
    generator = Attach(tetrahedron, {0, 0}, NearEverywhere());
    // 0.2 from faces of edge up to 1.4 the 91-point rule meets a nearly singular integrand: the
    // error measured is 1.3e-3 (4e-9 for the cube above, whose faces are 0.45 away).
    generator->ComputeRow({0.2, 0.2, 0.2});
    EXPECT_NEAR(SumRealA(*generator), -4 * pi, 2e-3);
    generator->ComputeRow({1.7, 0.4, -0.6});
    EXPECT_NEAR(SumRealA(*generator), 0.0, 1e-9);
}

TEST(RowAssembly, MirroredElementsAddToTheColumnsOfTheirSourcePoints) {
    // Points 4 to 7 taken as images of points 0 to 3: each of the four columns receives what the
    // two points gave separately.
    Patch whole = Cube();
    Patch folded = whole;
    folded.columns = 4;
    for (std::size_t i = 0; i < folded.points.size(); ++i)
        folded.source.push_back(static_cast<SurfaceIndex>(i % 4));
    const Complex k = {1.0, 0.0};
    auto wholeGenerator = Attach(whole, k);
    auto foldedGenerator = Attach(folded, k);
    const Vector3 x = {0.3, 2.0, 0.1};
    wholeGenerator->ComputeRow(x);
    foldedGenerator->ComputeRow(x);
    ASSERT_EQ(foldedGenerator->rowA.size(), 4u);
    for (int c = 0; c < 4; ++c) {
        const Complex a = wholeGenerator->rowA[c] + wholeGenerator->rowA[c + 4];
        const Complex b = wholeGenerator->rowB[c] + wholeGenerator->rowB[c + 4];
        EXPECT_NEAR(foldedGenerator->rowA[c].re, a.re, 1e-15);
        EXPECT_NEAR(foldedGenerator->rowA[c].im, a.im, 1e-15);
        EXPECT_NEAR(foldedGenerator->rowB[c].re, b.re, 1e-15);
        EXPECT_NEAR(foldedGenerator->rowB[c].im, b.im, 1e-15);
    }
}

TEST(RowAssembly, ElementsOfOtherNodeCountsContributeNothing) {
    Patch mesh = Tetrahedron();
    const auto before = mesh.elements.size();
    mesh.elements.push_back({5, {0, 1, 2, 3}});
    mesh.elements.push_back({0, {unusedNode, unusedNode, unusedNode, unusedNode}});
    auto generator = Attach(mesh, {1, 0});
    generator->ComputeRow({2, 2, 2});
    mesh.elements.resize(before);
    auto reference = Attach(mesh, {1, 0});
    reference->ComputeRow({2, 2, 2});
    for (std::size_t c = 0; c < mesh.points.size(); ++c) {
        EXPECT_EQ(generator->rowA[c].re, reference->rowA[c].re);
        EXPECT_EQ(generator->rowB[c].im, reference->rowB[c].im);
    }
}

TEST(RowAssembly, RowPointOnAnIntegrationPointGivesNonFiniteValuesWithoutFailing) {
    Patch mesh;
    mesh.AddElement({{0, 1, 0}, {0, 0, 0}, {1, 0, 0}});
    auto generator = Attach(mesh, {1, 0});
    const CGaussTable& rules = SharedRules();
    // A point of the far triangle rule, in space, far enough from node 0 for that rule.
    const double a = rules.triA[2][2], b = rules.triB[2][2];
    ASSERT_GT(Length(Vector3{a, b - 1, 0}), 0.5);
    const Vector3 x = {a, b, 0};
    EXPECT_EQ(generator->ComputeRow(x), 0);
    EXPECT_FALSE(std::isfinite(generator->rowB[0].re));
}

TEST(GeneratorInit, SizesEveryPerElementArrayAlsoWithoutQuadrilaterals) {
    Patch mesh = Tetrahedron();
    auto generator = Attach(mesh, {0, 0});
    EXPECT_EQ(generator->rowA.size(), 4u);
    EXPECT_EQ(generator->rowB.size(), 4u);
    EXPECT_EQ(generator->normalSlopeA.size(), 4u);
    EXPECT_EQ(generator->normalSlopeB.size(), 4u);
    EXPECT_EQ(generator->nodeFactors.size(), 4u);
    EXPECT_EQ(generator->isParallelogram.size(), 4u);
    CGenerator empty{ConfigData{}};
    EXPECT_EQ(empty.Init(CSurface{ConfigData{}}), 0);
}

}  // namespace

namespace {

TEST(WaveNumber, IsOmegaOverTheComplexSoundVelocity) {
    ConfigData config;
    config.soundVelocity = {340.0, 0.0};
    CGenerator undamped(config);
    EXPECT_EQ(undamped.WaveNumber(680.0).re, 2.0);
    EXPECT_EQ(undamped.WaveNumber(680.0).im, 0.0);
    config.soundVelocity = {300.0, 400.0};  // |c|^2 = 250000
    CGenerator damped(config);
    EXPECT_DOUBLE_EQ(damped.WaveNumber(500.0).re, 0.6);
    EXPECT_DOUBLE_EQ(damped.WaveNumber(500.0).im, -0.8);
    // a negative frequency is used as it is
    EXPECT_DOUBLE_EQ(damped.WaveNumber(-500.0).re, -0.6);
}

}  // namespace
