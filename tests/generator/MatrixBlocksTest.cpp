// Blocks of A and B against the whole rows: the same bits in every entry, for surface rows with
// their free terms, points inside and points outside, on triangles, general quadrilaterals and a
// surface completed by symmetry planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "base/Constants.h"
#include "generator/Generator.h"
#include "meshes/Mesh.h"
#include "support/TestSupport.h"

namespace {

bool SameBits(Complex x, Complex y) { return std::memcmp(&x, &y, sizeof x) == 0; }

// Compares random blocks (rows and columns shuffled, a single column, every column) with the
// rows of ComputeMatrixRows; returns the number of entries that differ in any bit.
int DifferingEntries(const meshes::Mesh& mesh, double frequency) {
    ConsoleCapture quiet;
    ConfigData config;
    config.soundVelocity = {343.0, 0.0};
    config.division[0] = 2.5 * meshes::LongestEdge(mesh);
    config.division[1] = 6.0 * meshes::LongestEdge(mesh);
    CSurface surface(config);
    meshes::Load(surface, mesh);
    EXPECT_GE(surface.PrepareSurface(1), 0);
    CGenerator generator(config);
    EXPECT_EQ(generator.Init(surface), 0);
    EXPECT_EQ(generator.LoadRules(test::GaussFile().c_str()), 0);
    const int n = generator.pointCount;
    const double omega = 2.0 * pi * frequency;
    // Surface rows, then points inside and outside the body.
    std::vector<Vector3> rowPoints(generator.points.begin(), generator.points.begin() + n);
    for (int p = 0; p < n; p += 5) rowPoints.push_back(0.4 * generator.points[p]);
    for (int p = 0; p < n; p += 5) rowPoints.push_back(1.7 * generator.points[p]);
    const int rowCount = static_cast<int>(rowPoints.size());
    const std::size_t size = static_cast<std::size_t>(rowCount) * n;
    std::vector<Complex> rowsA(size);
    std::vector<Complex> rowsB(size);
    // The surface rows with their solid angles, the others without.
    generator.ComputeMatrixRows(omega, rowPoints.data(), surface.solidAngles.data(), 0, n,
                                rowsA.data(), rowsB.data());
    generator.ComputeMatrixRows(omega, rowPoints.data(), nullptr, n, rowCount - n,
                                rowsA.data() + std::size_t(n) * n,
                                rowsB.data() + std::size_t(n) * n);

    std::mt19937 random(7);
    std::vector<int> all(static_cast<std::size_t>(n));
    std::iota(all.begin(), all.end(), 0);
    std::vector<std::vector<int>> columnSets = {all, {n / 2}};
    std::reverse(columnSets[0].begin(), columnSets[0].end());
    for (int set = 0; set < 4; ++set) {
        std::vector<int> columns = all;
        std::shuffle(columns.begin(), columns.end(), random);
        columns.resize(static_cast<std::size_t>(1 + set * n / 5));
        columnSets.push_back(columns);
    }
    int differing = 0;
    for (const std::vector<int>& columns : columnSets) {
        for (const bool surfaceRows : {true, false}) {
            std::vector<int> rows;
            for (int r = surfaceRows ? 0 : n; r < (surfaceRows ? n : rowCount); ++r)
                rows.push_back(r);
            std::shuffle(rows.begin(), rows.end(), random);
            rows.resize(std::min<std::size_t>(rows.size(), 40));
            const int m = static_cast<int>(rows.size());
            const int w = static_cast<int>(columns.size());
            std::vector<Complex> a(std::size_t(m) * w);
            std::vector<Complex> b(a.size());
            EXPECT_EQ(generator.ComputeMatrixBlock(omega, rowPoints.data(),
                                                   surfaceRows ? surface.solidAngles.data()
                                                               : nullptr,
                                                   rows.data(), m, columns.data(), w, a.data(),
                                                   b.data()),
                      0);
            for (int i = 0; i < m; ++i) {
                for (int j = 0; j < w; ++j) {
                    const std::size_t dense = std::size_t(rows[i]) * n + columns[j];
                    const std::size_t block = std::size_t(i) * w + j;
                    differing += !SameBits(a[block], rowsA[dense]);
                    differing += !SameBits(b[block], rowsB[dense]);
                }
            }
        }
    }
    return differing;
}

}  // namespace

TEST(MatrixBlocks, EveryEntryOfABlockHasTheBitsOfTheWholeRow) {
    struct Case {
        std::string name;
        meshes::Mesh mesh;
        double frequency;
    };
    const Case cases[] = {
        {"icosphere 2", meshes::Icosphere(1.0, 2), 163.8},
        {"icosphere 3, ka 5", meshes::Icosphere(1.0, 3), 273.0},
        {"cubed sphere", meshes::CubedSphere(1.0, 5), 100.0},
        {"octant with three symmetry planes", meshes::OctantSphere(1.0, 6, false), 120.0},
    };
    for (const Case& c : cases) EXPECT_EQ(DifferingEntries(c.mesh, c.frequency), 0) << c.name;
}
