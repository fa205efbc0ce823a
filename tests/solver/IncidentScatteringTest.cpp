// Scattering of incident sound, driven through the library in memory: rows of A and B, the
// incident row terms on the right-hand side, the solution for the total surface field, and the
// field formula plus the incident pressure. Compared with the exact series of the sphere and with
// reciprocity near a cube. The bounds are the measured errors with a margin.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "base/Constants.h"
#include "fileio/ExcitationType.h"
#include "generator/Generator.h"
#include "solver/IncidentField.h"
#include "solver/Solver.h"
#include "solver/SurfaceSystem.h"
#include "support/TestSupport.h"
#include "surface/Preparation.h"
#include "meshes/Mesh.h"
#include "tools/SphereScattering.h"

namespace {

const double density = 1.2, soundVelocity = 343.0, radius = 1.0;

// A prepared body with its generator; DIVISION at 2 and 6 times the longest edge.
class Body {
public:
    explicit Body(const meshes::Mesh& m) : generator(Config(m)) {
        test::TempDir dir;
        test::CopyGaussFile(dir.Path());
        test::ChangeDir here(dir.Path());
        test::ConsoleCapture quiet;
        EXPECT_TRUE(meshes::WriteSurface(m, "body.srf", "body"));
        CSurface surface(generator.config);
        EXPECT_EQ(ReadAndPrepareSurface(surface, "body.srf", 1), 0);
        EXPECT_EQ(generator.Init(surface), 0);
        EXPECT_EQ(generator.LoadRules(), 0);
        solidAngles = surface.solidAngles;
    }

    int Size() const { return generator.pointCount; }

    // Rows of A and B at the row points, on two threads; solid angles for the surface rows.
    void Rows(double omega, const Vector3* x, const double* angles, int count,
              std::vector<Complex>& a, std::vector<Complex>& b) const {
        const std::size_t n = static_cast<std::size_t>(Size());
        a.resize(n * static_cast<std::size_t>(count));
        b.resize(a.size());
        const int half = count / 2;
        std::thread first(
            [&] { generator.ComputeMatrixRows(omega, x, angles, 0, half, a.data(), b.data()); });
        generator.ComputeMatrixRows(omega, x, angles, half, count - half, a.data() + n * half,
                                    b.data() + n * half);
        first.join();
    }

    // The total surface pressures and velocities in the incident field, every point under the
    // same condition (type code and value).
    void Solve(double omega, const CIncidentField& incident, std::int16_t type, Complex value,
               std::vector<Complex>& pressures, std::vector<Complex>& velocities) const {
        Solve(omega, incident, type, std::vector<Complex>(static_cast<std::size_t>(Size()), value),
              pressures, velocities);
    }
    // The same with a value per point.
    void Solve(double omega, const CIncidentField& incident, std::int16_t type,
               const std::vector<Complex>& values, std::vector<Complex>& pressures,
               std::vector<Complex>& velocities) const {
        const int n = Size();
        std::vector<Complex> a, b;
        Rows(omega, generator.points.data(), solidAngles.data(), n, a, b);
        const std::vector<std::int16_t> types(static_cast<std::size_t>(n), type);
        RowPointerMatrix system = CSolver::AllocateMatrix(n);
        ASSERT_FALSE(system.Empty());
        std::vector<Complex> rightHandSide(static_cast<std::size_t>(n));
        const Complex k = generator.WaveNumber(omega);
        for (int o = 0; o < n; ++o) {
            const std::size_t row = static_cast<std::size_t>(o) * n;
            rightHandSide[o] = AssembleSystemRow(n, &a[row], &b[row], types.data(), values.data(),
                                                 system.rows[o]) +
                               incident.RowTerm(k, generator.points[o]);
        }
        test::ConsoleCapture quiet;
        ASSERT_EQ(CSolver::SolveAssembledSystem(system.rows.get(), rightHandSide.data(), n), 0);
        pressures.resize(static_cast<std::size_t>(n));
        velocities.resize(static_cast<std::size_t>(n));
        RecoverSurfaceSolution(n, types.data(), values.data(), rightHandSide.data(),
                               pressures.data(), velocities.data());
    }

    // The total pressure at field points: the field formula plus the incident pressure.
    std::vector<Complex> Field(double omega, const CIncidentField& incident,
                               const std::vector<Vector3>& x, const std::vector<Complex>& pressures,
                               const std::vector<Complex>& velocities) const {
        const int m = static_cast<int>(x.size());
        std::vector<Complex> a, b, p(x.size());
        Rows(omega, x.data(), nullptr, m, a, b);
        CSolver::GetFieldPressures(m, Size(), a.data(), b.data(), pressures.data(),
                                   velocities.data(), p.data());
        const Complex k = generator.WaveNumber(omega);
        for (int i = 0; i < m; ++i) p[i] += incident.Pressure(k, x[i]);
        return p;
    }

    Complex WaveNumber(double omega) const { return generator.WaveNumber(omega); }
    Vector3 Point(int i) const { return generator.points[static_cast<std::size_t>(i)]; }

private:
    static ConfigData Config(const meshes::Mesh& m) {
        ConfigData config;
        config.density = density;
        config.soundVelocity = {soundVelocity, 0.0};
        config.division[0] = 2.0 * meshes::LongestEdge(m);
        config.division[1] = 6.0 * meshes::LongestEdge(m);
        return config;
    }

    CGenerator generator;
    std::vector<double> solidAngles;
};

template <typename Exact>
double RelativeL2(const std::vector<Vector3>& x, const std::vector<Complex>& p, Exact exact) {
    double error = 0.0, norm = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const Complex e = exact(x[i]);
        error += std::pow(Abs(p[i] - e), 2);
        norm += std::pow(Abs(e), 2);
    }
    return std::sqrt(error / norm);
}

// 162 points spread over the sphere of radius r.
std::vector<Vector3> SpherePoints(double r) { return meshes::Icosphere(r, 2).points; }

double Omega(double ka) { return ka / radius * soundVelocity; }

const Vector3 planeDirection = Vector3{1.0, 2.0, -2.0} * (1.0 / 3.0);

// Total field at r = 2a of the plane wave on the rigid icosphere of the level.
double RigidSpherePlaneWaveError(int level, double ka, double* surfaceError = nullptr) {
    const Body body(meshes::Icosphere(radius, level));
    CIncidentField incident;
    EXPECT_EQ(incident.AddPlaneWave({1.0, 0.0}, planeDirection), 0);
    std::vector<Complex> p, v;
    body.Solve(Omega(ka), incident, givenVelocity, {0.0, 0.0}, p, v);
    const auto exact = [&](Vector3 x) {
        return scattering::SpherePlaneWave(radius, ka / radius, {0.0, 0.0}, {1.0, 0.0},
                                           planeDirection, x);
    };
    if (surfaceError != nullptr) {
        std::vector<Vector3> surface;
        for (int i = 0; i < body.Size(); ++i) surface.push_back(body.Point(i));
        *surfaceError = RelativeL2(surface, p, exact);
    }
    const std::vector<Vector3> x = SpherePoints(2.0 * radius);
    return RelativeL2(x, body.Field(Omega(ka), incident, x, p, v), exact);
}

}  // namespace

TEST(IncidentScattering, RigidSpherePlaneWaveMatchesTheSeriesOnLevel3) {
    double surface = 0.0;
    const double field = RigidSpherePlaneWaveError(3, 1.0, &surface);
    EXPECT_LT(field, 2e-3);    // measured 0.11 %
    EXPECT_LT(surface, 4e-3);  // measured 0.20 %

    // Posed as radiation instead, the surface moving with -v_inc and p_inc added afterwards, the
    // same mesh does no better.
    const double ka = 1.0, omega = Omega(ka);
    const Body body(meshes::Icosphere(radius, 3));
    CIncidentField incident;
    ASSERT_EQ(incident.AddPlaneWave({1.0, 0.0}, planeDirection), 0);
    const Complex k = body.WaveNumber(omega);
    std::vector<Complex> velocities;
    for (int i = 0; i < body.Size(); ++i) {
        const Vector3 x = body.Point(i);
        velocities.push_back(Complex{0.0, 0.0} -
                             incident.NormalVelocity(k, omega, density, x, x * (1.0 / Length(x))));
    }
    std::vector<Complex> p, v;
    body.Solve(omega, CIncidentField(), givenVelocity, velocities, p, v);
    const std::vector<Vector3> x = SpherePoints(2.0 * radius);
    std::vector<Complex> radiated = body.Field(omega, CIncidentField(), x, p, v);
    for (std::size_t i = 0; i < x.size(); ++i) radiated[i] += incident.Pressure(k, x[i]);
    const double radiationError = RelativeL2(x, radiated, [&](Vector3 y) {
        return scattering::SpherePlaneWave(radius, ka / radius, {0.0, 0.0}, {1.0, 0.0},
                                           planeDirection, y);
    });
    EXPECT_LT(field, radiationError);  // measured 0.12 %
    EXPECT_LT(radiationError, 2e-3);
}

// Level 4 takes seconds in an optimised build; the sanitized build runs level 3 only.
#if !defined(__SANITIZE_ADDRESS__)
TEST(IncidentScattering, RigidSpherePlaneWaveMatchesTheSeriesOnLevel4) {
    EXPECT_LT(RigidSpherePlaneWaveError(4, 1.0), 1e-3);  // measured 0.027 %
    EXPECT_LT(RigidSpherePlaneWaveError(4, 3.0), 5e-3);  // measured 0.10 %
}
#endif

TEST(IncidentScattering, ImpedanceSphereMeetsItsConditionWithTheTotalField) {
    // Admittance Y = eta / (rho c) for the total pressure and velocity, a point source at 3 a.
    const double ka = 1.5;
    const Complex eta{0.5, 0.2};
    const Vector3 source{0.0, 1.8, 2.4};
    const Body body(meshes::Icosphere(radius, 3));
    CIncidentField incident;
    incident.AddPointSource({2.0, -1.0}, source);
    std::vector<Complex> p, v;
    body.Solve(Omega(ka), incident, givenAdmittance,
               Complex{eta.re / (density * soundVelocity), eta.im / (density * soundVelocity)}, p,
               v);
    const std::vector<Vector3> x = SpherePoints(2.0 * radius);
    const double error = RelativeL2(x, body.Field(Omega(ka), incident, x, p, v), [&](Vector3 y) {
        return scattering::SpherePointSource(radius, ka / radius, eta, {2.0, -1.0}, source, y);
    });
    EXPECT_LT(error, 4e-3) << error;  // measured 0.20 %
}

TEST(IncidentScattering, RigidSpherePointSourceMatchesTheSeries) {
    const double ka = 2.0;
    const Vector3 source{1.2, -1.6, 0.9};
    const Body body(meshes::Icosphere(radius, 3));
    CIncidentField incident;
    incident.AddPointSource({1.0, 0.5}, source);
    std::vector<Complex> p, v;
    body.Solve(Omega(ka), incident, givenVelocity, {0.0, 0.0}, p, v);
    const std::vector<Vector3> x = SpherePoints(2.0 * radius);
    const double error = RelativeL2(x, body.Field(Omega(ka), incident, x, p, v), [&](Vector3 y) {
        return scattering::SpherePointSource(radius, ka / radius, {0.0, 0.0}, {1.0, 0.5}, source,
                                             y);
    });
    EXPECT_LT(error, 4e-3) << error;  // measured 0.20 %
}

// The relative difference between the scattered pressure at Q of a source at P and that at P of
// the same source at Q, near the rigid cube of edge 1 m with m x m squares per face.
double ReciprocityError(int m) {
    const Body body(meshes::CubeOfSquares(1.0, m));
    const Vector3 P{1.1, 0.3, -0.2}, Q{-0.4, 0.9, 0.75};
    const double omega = Omega(1.5);
    Complex scattered[2];
    const Vector3 ends[2][2] = {{P, Q}, {Q, P}};
    for (int i = 0; i < 2; ++i) {
        CIncidentField incident;
        incident.AddPointSource({1.0, 0.0}, ends[i][0]);
        std::vector<Complex> p, v;
        body.Solve(omega, incident, givenVelocity, {0.0, 0.0}, p, v);
        const Complex total = body.Field(omega, incident, {ends[i][1]}, p, v)[0];
        scattered[i] = total - incident.Pressure(body.WaveNumber(omega), ends[i][1]);
    }
    return Abs(scattered[0] - scattered[1]) / Abs(scattered[0]);
}

TEST(IncidentScattering, SourceAndReceiverCanBeExchangedNearARigidCubeToTheDiscretisationError) {
    // The collocation matrices are not symmetric, so reciprocity holds only as the mesh is
    // refined: the difference falls with the square of the element size.
    const double coarse = ReciprocityError(4), fine = ReciprocityError(8);
    EXPECT_LT(fine, 2e-2);          // measured 1.2 % (m = 12: 0.54 %)
    EXPECT_LT(fine, coarse / 2.5);  // measured 4.2 % at m = 4
}
