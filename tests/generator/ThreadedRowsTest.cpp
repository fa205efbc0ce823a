// Rows of A and B on several threads: the same rows, handed over in order, for every thread
// count, and a consumer's failure stops the stream.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/Constants.h"
#include "generator/Generator.h"
#include "generator/ThreadedRows.h"
#include "meshes/Mesh.h"
#include "support/TestSupport.h"

namespace {

struct SphereRows {
    ConfigData config;
    CSurface surface{config};
    CGenerator generator{config};
    double omega = 2.0 * pi * 100.0;

    SphereRows() {
        ConsoleCapture quiet;
        meshes::Load(surface, meshes::Icosphere(1.0, 2));
        EXPECT_GE(surface.PrepareSurface(1), 0);
        EXPECT_EQ(generator.Init(surface), 0);
        EXPECT_EQ(generator.LoadRules(test::GaussFile().c_str()), 0);
    }
    std::size_t Columns() const { return static_cast<std::size_t>(generator.pointCount); }
};

// Every row streamed on `threads` threads, in the order the consumer saw them.
std::vector<Complex> Streamed(const SphereRows& sphere, int threads, std::vector<int>& order) {
    const std::size_t columns = sphere.Columns();
    const std::size_t ring = static_cast<std::size_t>(StreamRowCapacity(threads)) * columns;
    std::vector<Complex> ringA(ring), ringB(ring);
    std::vector<Complex> rows(2 * columns * columns);
    const int status = StreamMatrixRows(
        sphere.generator, threads, sphere.omega, sphere.generator.points.data(),
        sphere.surface.solidAngles.data(), sphere.generator.pointCount, ringA.data(), ringB.data(),
        [&](int row, const Complex* a, const Complex* b) {
            order.push_back(row);
            std::memcpy(&rows[2 * columns * row], a, columns * sizeof(Complex));
            std::memcpy(&rows[2 * columns * row + columns], b, columns * sizeof(Complex));
            return 0;
        });
    EXPECT_EQ(status, 0);
    return rows;
}

}  // namespace

TEST(ThreadedRows, StreamedRowsComeInOrderAndEqualTheRowsOfOneThreadBitForBit) {
    const SphereRows sphere;
    const std::size_t columns = sphere.Columns();
    // The reference: each row by itself.
    std::vector<Complex> reference(2 * columns * columns);
    for (int p = 0; p < sphere.generator.pointCount; ++p) {
        sphere.generator.ComputeMatrixRows(
            sphere.omega, sphere.generator.points.data(), sphere.surface.solidAngles.data(), p, 1,
            &reference[2 * columns * p], &reference[2 * columns * p + columns]);
    }
    // 162 rows pass through a stream of 8 rows per thread many times over.
    for (const int threads : {1, 2, 3, 5}) {
        std::vector<int> order;
        const std::vector<Complex> rows = Streamed(sphere, threads, order);
        ASSERT_EQ(order.size(), columns) << threads;
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i));
        EXPECT_EQ(std::memcmp(rows.data(), reference.data(), rows.size() * sizeof(Complex)), 0)
            << threads << " threads";
    }
    // The block form gives the same rows.
    std::vector<Complex> a(columns * 7), b(columns * 7);
    ComputeMatrixRowsThreaded(sphere.generator, 3, sphere.omega, sphere.generator.points.data(),
                              sphere.surface.solidAngles.data(), 40, 7, a.data(), b.data());
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(std::memcmp(&a[columns * r], &reference[2 * columns * (40 + r)],
                              columns * sizeof(Complex)),
                  0);
    }
}

TEST(ThreadedRows, AFailingConsumerStopsTheStreamWithItsStatus) {
    const SphereRows sphere;
    for (const int threads : {1, 2, 3}) {
        const std::size_t ring =
            static_cast<std::size_t>(StreamRowCapacity(threads)) * sphere.Columns();
        std::vector<Complex> ringA(ring), ringB(ring);
        std::vector<int> order;
        const int status = StreamMatrixRows(
            sphere.generator, threads, sphere.omega, sphere.generator.points.data(),
            sphere.surface.solidAngles.data(), sphere.generator.pointCount, ringA.data(),
            ringB.data(), [&](int row, const Complex*, const Complex*) {
                order.push_back(row);
                return row == 30 ? -7 : 0;
            });
        EXPECT_EQ(status, -7) << threads;
        ASSERT_EQ(order.size(), 31u) << threads;  // nothing after the failed row
        EXPECT_EQ(order.back(), 30);
    }
    // No rows at all: nothing to consume, and success.
    std::vector<Complex> ringA(sphere.Columns() * 16), ringB(ringA.size());
    int calls = 0;
    EXPECT_EQ(StreamMatrixRows(sphere.generator, 2, sphere.omega, sphere.generator.points.data(),
                               nullptr, 0, ringA.data(), ringB.data(),
                               [&](int, const Complex*, const Complex*) { return ++calls, 0; }),
              0);
    EXPECT_EQ(calls, 0);
}
