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
// The factorisation and the least squares are timed at two sizes, so that their n^2 parts (the
// panels, the row counter, the threads' start), which weigh more at the probe's size than at
// the model's, are not scaled with n^3. The factorisation's larger probe (64 MB) is beyond the
// last cache of most processors, so that it streams from memory as the model's factorisation
// does: probes of 512 and 1024 unknowns (4 and 16 MB) ran from the cache and made 10242 points
// look 1.4 to 1.8 times faster than they were. LAPACK's least squares, blocked for the caches,
// keeps the smaller probes, whose cost (a QR decomposition at 2048 unknowns took about a second)
// would come before every sweep.
constexpr int factorProbe = 2048;
constexpr int leastSquaresProbe = 1024;
// Each probe is the best of this many runs: a short run that another program's burst of work
// disturbs would stand for the whole sweep.
constexpr int probeRuns = 3;

template <class Timed>
double Best(const Timed& seconds) {
    double best = seconds();
    for (int run = 1; run < probeRuns; ++run) best = std::min(best, seconds());
    return best;
}

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
            sample.push_back(
                points[static_cast<std::size_t>(static_cast<long long>(i) * count / rows)]);
        a.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(model.pointCount));
        b.resize(a.size());
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    return Best([&]() {
               const auto start = Clock::now();
               ComputeMatrixRowsThreaded(*model.generator, threads, omega, sample.data(), nullptr,
                                         0, rows, a.data(), b.data());
               return Seconds(start);
           }) /
           rows;
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

// The seconds of n unknowns from seconds(size), the best runs at `probe` and half of it and
// fitted to c3 n^3 + c2 n^2; timed at n itself when n is no larger than the probe.
template <class Timed>
double FittedSeconds(int n, int probe, const Timed& seconds) {
    const auto best = [&](int size) { return Best([&]() { return seconds(size); }); };
    if (n <= probe) return best(n);
    const double half = probe / 2;
    const double small = best(probe / 2);
    const double large = best(probe);
    // large = 8 c3 h^3 + 4 c2 h^2 and small = c3 h^3 + c2 h^2 for h = probe / 2.
    double cubic = (large - 4.0 * small) / 4.0;
    double square = small - cubic;
    if (cubic <= 0.0 || square < 0.0) {  // a disturbed probe: the larger one scaled with n^3
        cubic = large / 8.0;
        square = 0.0;
    }
    const double scale = n / half;
    return cubic * scale * scale * scale + square * scale * scale;
}

// The least squares (LAPACK zgels on its own threads) of n unknowns and the share `extra` of
// further rows.
double LeastSquaresSeconds(int n, double extra) {
    const int m = n + static_cast<int>(extra * n) + 1;
    std::vector<Complex> matrix;
    std::vector<Complex> rightHandSide;
    try {
        matrix.resize(static_cast<std::size_t>(m) * static_cast<std::size_t>(n));
        rightHandSide.assign(static_cast<std::size_t>(m), Complex{1.0, 0.0});
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < m; ++i)
            matrix[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * m] = {
                i == j ? n + 1.0 : 1.0 / (1 + i + j), 0.1};
    const auto start = Clock::now();
    LAPACKE_zgels(LAPACK_COL_MAJOR, 'N', m, n, 1, matrix.data(), m, rightHandSide.data(), m);
    return Seconds(start);
}

}  // namespace

double DenseMemoryNeed(int n, int m, int threads) {
    const double entries = static_cast<double>(n) * n;
    const double leastSquares = m > 0 ? static_cast<double>(n + m) * n : 0.0;
    const double stream = 2.0 * StreamRowCapacity(threads) * static_cast<double>(n);
    // The system (or the least-squares matrix), the stream of rows, the vectors and the
    // factorisation's work space.
    return 16.0 *
           (std::max(entries, leastSquares) + stream + (8.0 + decomposeWorkspacePerUnknown) * n);
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
    const double checkRows = model.interiorChecked
                                 ? interiorRow * static_cast<double>(model.interior.check.size())
                                 : 0.0;
    const double fieldRows = fieldRow * static_cast<double>(model.fieldPoints.size());

    estimate.rowSeconds = surfaceRow * n + checkRows + fieldRows;
    estimate.factorSeconds =
        FittedSeconds(n, factorProbe, [&](int size) { return FactorSeconds(size, threads); });
    estimate.directSeconds = estimate.rowSeconds + estimate.factorSeconds;
    if (m > 0) {
        const double extra = static_cast<double>(m) / n;
        const double leastSquares = FittedSeconds(
            n, leastSquaresProbe, [&](int size) { return LeastSquaresSeconds(size, extra); });
        const double withChief = surfaceRow * n + interiorRow * m + leastSquares + checkRows;
        estimate.resolveSeconds = withChief;
        estimate.chiefSeconds = withChief + fieldRows;
    }
    return estimate;
}
