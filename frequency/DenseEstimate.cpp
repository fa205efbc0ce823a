#include "frequency/DenseEstimate.h"

#define lapack_complex_float float _Complex
#define lapack_complex_double Complex
#include <lapacke.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <new>
#include <vector>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "generator/ThreadedRows.h"
#include "solver/LinEqu.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Rows of a kind probed at most: spread over the points, so that rows near many small elements
// and rows far from them are both in the sample.
constexpr int probeRows = 48;
// The factorisation is timed at two sizes, so that its n^2 part (the panels, the row counter),
// which weighs more at the probe's size than at the model's, is not scaled with n^3.
constexpr int factorProbe = 1024;
// The least squares are timed at one size and scaled with their work.
constexpr int leastSquaresProbe = 512;

// The seconds of one row at the points, from up to probeRows of them computed as the solve
// computes them; 0 for no points.
double SecondsPerRow(const Model& model, double omega, const std::vector<Vector3>& points,
                     int threads) {
    const int count = static_cast<int>(points.size());
    const int rows = std::min(count, probeRows);
    if (rows == 0) return 0.0;
    std::vector<Vector3> sample;
    std::vector<Complex> a;
    std::vector<Complex> b;
    try {
        for (int i = 0; i < rows; ++i)
            sample.push_back(points[static_cast<std::size_t>(
                static_cast<long long>(i) * count / rows)]);
        a.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(model.pointCount));
        b.resize(a.size());
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    const auto start = Clock::now();
    ComputeMatrixRowsThreaded(*model.generator, threads, omega, sample.data(), nullptr, 0, rows,
                              a.data(), b.data());
    return Seconds(start) / rows;
}

// A well-conditioned probe system of n unknowns, row by row.
bool ProbeSystem(int n, std::vector<Complex>& entries, std::vector<Complex*>& rows) {
    try {
        entries.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
        rows.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        rows[static_cast<std::size_t>(i)] = entries.data() + static_cast<std::size_t>(i) * n;
        for (int j = 0; j < n; ++j)
            rows[static_cast<std::size_t>(i)][j] = {i == j ? n + 1.0 : 1.0 / (1 + i + j), 0.1};
    }
    return true;
}

// The seconds of a factorisation and a substitution of n unknowns on `threads` threads.
double FactorSeconds(int n, int threads) {
    std::vector<Complex> entries;
    std::vector<Complex*> rows;
    if (!ProbeSystem(n, entries, rows)) return 0.0;
    std::vector<Complex> b(static_cast<std::size_t>(n), Complex{1.0, 0.0});
    ConsoleCapture discard;  // the factorisation's row counter
    const auto start = Clock::now();
    CLinEqu linEqu(threads);
    linEqu.LUDecompose(rows.data(), n);
    linEqu.LUSubstitute(rows.data(), b.data(), n);
    return Seconds(start);
}

// The factorisation of n unknowns, from the times at factorProbe and half of it fitted to
// c3 n^3 + c2 n^2.
double EstimateFactorSeconds(int n, int threads) {
    if (n <= factorProbe) return FactorSeconds(n, threads);
    const double half = factorProbe / 2;
    const double small = FactorSeconds(factorProbe / 2, threads);
    const double large = FactorSeconds(factorProbe, threads);
    // large = 8 c3 h^3 + 4 c2 h^2 and small = c3 h^3 + c2 h^2 for h = factorProbe / 2.
    double cubic = (large - 4.0 * small) / 4.0;
    double square = small - cubic;
    if (cubic <= 0.0 || square < 0.0) {  // a disturbed probe: the larger one scaled with n^3
        cubic = large / 8.0;
        square = 0.0;
    }
    const double scale = n / half;
    return cubic * scale * scale * scale + square * scale * scale;
}

// The least squares of m rows and n unknowns (LAPACK zgels, its own threads), from a probe of
// leastSquaresProbe unknowns with the same share of extra rows, scaled with the work
// m n^2 - n^3 / 3.
double EstimateLeastSquaresSeconds(int m, int n) {
    const int probeN = std::min(n, leastSquaresProbe);
    const int probeM =
        probeN + static_cast<int>(static_cast<long long>(m - n) * probeN / std::max(n, 1)) + 1;
    std::vector<Complex> matrix;
    std::vector<Complex> rightHandSide;
    try {
        matrix.resize(static_cast<std::size_t>(probeM) * static_cast<std::size_t>(probeN));
        rightHandSide.assign(static_cast<std::size_t>(probeM), Complex{1.0, 0.0});
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    for (int j = 0; j < probeN; ++j)
        for (int i = 0; i < probeM; ++i)
            matrix[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * probeM] = {
                i == j ? probeN + 1.0 : 1.0 / (1 + i + j), 0.1};
    const auto start = Clock::now();
    LAPACKE_zgels(LAPACK_COL_MAJOR, 'N', probeM, probeN, 1, matrix.data(), probeM,
                  rightHandSide.data(), probeM);
    const double seconds = Seconds(start);
    const auto work = [](double rows, double columns) {
        return rows * columns * columns - columns * columns * columns / 3.0;
    };
    return seconds * work(m, n) / work(probeM, probeN);
}

}  // namespace

double DenseMemoryNeed(int n, int m, int threads) {
    const double entries = static_cast<double>(n) * n;
    const double leastSquares = m > 0 ? static_cast<double>(n + m) * n : 0.0;
    const double stream = 2.0 * StreamRowCapacity(threads) * static_cast<double>(n);
    // The system (or the least-squares matrix), the stream of rows, and the vectors.
    return 16.0 * (std::max(entries, leastSquares) + stream + 8.0 * n);
}

DenseEstimate EstimateDense(const Model& model, double frequency, int chiefPoints, int threads) {
    DenseEstimate estimate;
    const int n = model.pointCount;
    const int m = chiefPoints;
    estimate.bytes = DenseMemoryNeed(n, m, threads);
    if (n <= 0) return estimate;
    const double omega = AngularFrequency(frequency);
    const std::vector<Vector3> surfacePoints(model.surface->points.begin(),
                                             model.surface->points.begin() + n);
    const double surfaceRow = SecondsPerRow(model, omega, surfacePoints, threads);
    const double fieldRow = SecondsPerRow(model, omega, model.fieldPoints, threads);
    std::vector<Vector3> interiorPoints = model.interior.check;
    interiorPoints.insert(interiorPoints.end(), model.interior.chief.begin(),
                          model.interior.chief.end());
    const double interiorRow = SecondsPerRow(model, omega, interiorPoints, threads);
    const double checkRows =
        model.interiorChecked ? interiorRow * static_cast<double>(model.interior.check.size())
                              : 0.0;
    const double fieldRows = fieldRow * static_cast<double>(model.fieldPoints.size());

    estimate.rowSeconds = surfaceRow * n + checkRows + fieldRows;
    estimate.factorSeconds = EstimateFactorSeconds(n, threads);
    estimate.directSeconds = estimate.rowSeconds + estimate.factorSeconds;
    if (m > 0) {
        const double leastSquares = EstimateLeastSquaresSeconds(n + m, n);
        const double withChief = surfaceRow * n + interiorRow * m + leastSquares + checkRows;
        estimate.resolveSeconds = withChief;
        estimate.chiefSeconds = withChief + fieldRows;
    }
    return estimate;
}
