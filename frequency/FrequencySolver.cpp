#include "frequency/FrequencySolver.h"

#define lapack_complex_float float _Complex
#define lapack_complex_double Complex
#include <lapacke.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "frequency/ModelChecks.h"
#include "generator/ThreadedRows.h"
#include "solver/Solver.h"
#include "frequency/IncidentTerms.h"
#include "frequency/SurfacePower.h"
#include "solver/SurfaceSystem.h"

namespace {

std::size_t Size(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// Hands the final rows of A and B for every row point to `use`, one row at a time and in order,
// while the threads compute the rows that follow: use(row, a, b). False when the rows' memory
// is not there.
bool ForEachRow(const CGenerator& generator, double omega, const std::vector<Vector3>& points,
                const double* solidAngles, int threads,
                const std::function<void(int, const Complex*, const Complex*)>& use) {
    const int count = static_cast<int>(points.size());
    const std::size_t ring = Size(StreamRowCapacity(threads)) * Size(generator.pointCount);
    const std::unique_ptr<Complex[]> a(new (std::nothrow) Complex[ring]);
    const std::unique_ptr<Complex[]> b(new (std::nothrow) Complex[ring]);
    if (a == nullptr || b == nullptr) return false;
    StreamMatrixRows(generator, threads, omega, points.data(), solidAngles, count, a.get(), b.get(),
                     [&](int row, const Complex* rowA, const Complex* rowB) {
                         use(row, rowA, rowB);
                         return 0;
                     });
    return true;
}

// The file points of the surface: the row points of the surface equations.
std::vector<Vector3> RowPoints(const Model& model) {
    return std::vector<Vector3>(model.surface->points.begin(),
                                model.surface->points.begin() + model.pointCount);
}

// The value with the added term i, or the value untouched (not even 0 added) when there is none.
Complex WithAdded(Complex value, const std::vector<Complex>* terms, std::size_t i) {
    return terms != nullptr && i < terms->size() ? value + (*terms)[i] : value;
}

// The field formula at every point, into values (one per point).
bool FieldValues(const Model& model, double omega, const std::vector<Vector3>& points,
                 const FrequencyResult& result, const std::vector<Complex>* added, int threads,
                 std::vector<Complex>& values) {
    values.assign(points.size(), Complex{0.0, 0.0});
    const int n = model.pointCount;
    return ForEachRow(*model.generator, omega, points, nullptr, threads,
                      [&](int row, const Complex* a, const Complex* b) {
                          const std::size_t i = Size(row);
                          values[i] = WithAdded(FieldPressure(n, a, b, result.pressures.data(),
                                                              result.velocities.data()),
                                                added, i);
                      });
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int CFrequencySolver::SolveDirect(const Model& model, double omega, const AddedTerms* added,
                                  int threads, FrequencyResult& result) const {
    const int n = model.pointCount;
    const Complex* surfaceTerms =
        added != nullptr && added->surfaceRows.size() >= Size(n) && n > 0
            ? added->surfaceRows.data()
            : nullptr;
    const SurfaceRowFeed streamedRows = [&](const SurfaceRowTake& take) {
        if (ForEachRow(*model.generator, omega, RowPoints(model),
                       model.surface->solidAngles.data(), threads, take))
            return Status::ok;
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    };
    return CSolver::SolveSurfaceRows(n, model.excitation.types.data(),
                                     model.excitation.values.data(), surfaceTerms, streamedRows,
                                     threads, className, "Solve", result.pressures,
                                     result.velocities);
}

int CFrequencySolver::SolveLeastSquares(const Model& model, double omega,
                                        const AddedTerms* added, int threads,
                                        FrequencyResult& result) const {
    const int n = model.pointCount;
    const std::vector<Vector3>& chief = model.interior.chief;
    const int m = n + static_cast<int>(chief.size());
    // Column-major, as the least-squares solver takes it: entry (row i, column j) at i + j m.
    const std::unique_ptr<Complex[]> matrix(new (std::nothrow) Complex[Size(m) * Size(n)]);
    std::vector<Complex> rightHandSide;
    std::vector<Complex> row;
    bool computed = matrix != nullptr;
    try {
        rightHandSide.resize(Size(m));
        row.resize(Size(n));
        result.pressures.resize(Size(n));
        result.velocities.resize(Size(n));
    } catch (const std::bad_alloc&) {
        computed = false;
    }
    // Surface rows first, then the interior rows A_c p - B_c v = 0, all transformed by the
    // boundary conditions alike.
    const auto assemble = [&](int offsetRow, const std::vector<Complex>* terms) {
        return [&, offsetRow, terms](int r, const Complex* a, const Complex* b) {
            const int i = offsetRow + r;
            rightHandSide[Size(i)] =
                WithAdded(AssembleSystemRow(n, a, b, model.excitation.types.data(),
                                            model.excitation.values.data(), row.data()),
                          terms, Size(r));
            for (int j = 0; j < n; ++j) matrix[Size(i) + Size(j) * Size(m)] = row[Size(j)];
        };
    };
    computed =
        computed &&
        ForEachRow(*model.generator, omega, RowPoints(model), model.surface->solidAngles.data(),
                   threads, assemble(0, added != nullptr ? &added->surfaceRows : nullptr)) &&
        ForEachRow(*model.generator, omega, chief, nullptr, threads,
                   assemble(n, added != nullptr ? &added->chiefRows : nullptr));
    if (!computed) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    }
    const lapack_int info =
        LAPACKE_zgels(LAPACK_COL_MAJOR, 'N', m, n, 1, matrix.get(), m, rightHandSide.data(), m);
    if (info == LAPACK_WORK_MEMORY_ERROR || info == LAPACK_TRANSPOSE_MEMORY_ERROR) {
        logFile.ReportError(className, "Solve", Message::noMemory, "least squares");
        return Status::noMemory;
    }
    if (info != 0) {
        logFile.ReportError(className, "Solve", Message::singularMatrix, "least squares");
        return Status::badArguments;
    }
    RecoverSurfaceSolution(n, model.excitation.types.data(), model.excitation.values.data(),
                           rightHandSide.data(), result.pressures.data(), result.velocities.data());
    result.chiefPoints = static_cast<int>(chief.size());
    return Status::ok;
}

double CFrequencySolver::Residual(const Model& model, double omega,
                                  const FrequencyResult& result, const AddedTerms* added,
                                  int threads) {
    if (!model.interiorChecked) return std::numeric_limits<double>::quiet_NaN();
    const int n = model.pointCount;
    const std::vector<Complex>* incident = added != nullptr ? &added->checkPoints : nullptr;
    const double fourPi = 4.0 * pi;
    double formulaSquares = 0.0;
    double termSquares = 0.0;
    const auto square = [](Complex z) { return z.re * z.re + z.im * z.im; };
    const bool computed =
        ForEachRow(*model.generator, omega, model.interior.check, nullptr, threads,
                   [&](int row, const Complex* a, const Complex* b) {
                       const std::size_t i = Size(row);
                       Complex pressureSum{0.0, 0.0};
                       Complex velocitySum{0.0, 0.0};
                       for (int j = 0; j < n; ++j) {
                           pressureSum += a[j] * result.pressures[Size(j)];
                           velocitySum -= b[j] * result.velocities[Size(j)];
                       }
                       const Complex pressureTerm{pressureSum.re / fourPi,
                                                  pressureSum.im / fourPi};
                       const Complex velocityTerm{velocitySum.re / fourPi,
                                                  velocitySum.im / fourPi};
                       const Complex incidentTerm = WithAdded({0.0, 0.0}, incident, i);
                       formulaSquares += square(pressureTerm + velocityTerm + incidentTerm);
                       termSquares += square(pressureTerm) + square(velocityTerm) +
                                      square(incidentTerm);
                   });
    if (!computed) return std::numeric_limits<double>::quiet_NaN();
    // Every term zero: the solution of a problem without sound, which the formula meets exactly.
    if (termSquares == 0.0) return 0.0;
    return std::sqrt(formulaSquares / termSquares);
}

int CFrequencySolver::SolveSurface(const Model& model, double omega, const AddedTerms* added,
                                   bool withChief, int threads, FrequencyResult& result) const {
    if (model.compressed) return SolveCompressed(model, omega, added, withChief, threads, result);
    return withChief ? SolveLeastSquares(model, omega, added, threads, result)
                     : SolveDirect(model, omega, added, threads, result);
}

int CFrequencySolver::Solve(const Model& model, double frequency,
                            const FrequencyOptions& options, FrequencyResult& result) const {
    const auto start = std::chrono::steady_clock::now();
    result = FrequencyResult{};
    result.frequency = frequency;
    const double omega = AngularFrequency(frequency);
    result.ka = model.generator->WaveNumber(omega).re * model.radius;
    result.elementsPerWavelength =
        ElementsPerWavelength(model.longestEdge, model.config.soundVelocity, frequency);
    AddedTerms terms;
    const int incidentStatus = IncidentTerms(model, omega, terms);
    if (incidentStatus < 0) {
        result.status = incidentStatus;
        result.seconds = Seconds(start);
        return incidentStatus;
    }
    const AddedTerms* added = &terms;
    const bool canChief = model.interiorChecked && !model.interior.chief.empty();

    int status = SolveSurface(model, omega, added, model.chief == ChiefMode::always && canChief,
                              options.threads, result);
    if (status == Status::ok) {
        result.residual = Residual(model, omega, result, added, options.threads);
        result.firstResidual = result.residual;
        result.nearResonance = result.residual > model.residualLimit;
        if (result.nearResonance && model.chief == ChiefMode::automatic && canChief) {
            status = SolveSurface(model, omega, added, true, options.threads, result);
            if (status == Status::ok)
                result.residual = Residual(model, omega, result, added, options.threads);
        }
    }
    if (status == Status::ok && !result.converged) {
        const std::string comment = "stopped after " + std::to_string(result.iterations) +
                                    " iterations";
        logFile.ReportError(className, "Solve", Message::notConverged, comment.c_str());
        status = Status::notConverged;
    }
    if (status == Status::ok && model.compressed && !model.fieldPoints.empty()) {
        status = CompressedField(model, omega, added, options.threads, result);
    } else if (status == Status::ok && !model.fieldPoints.empty()) {
        if (!FieldValues(model, omega, model.fieldPoints, result,
                         added != nullptr ? &added->fieldPoints : nullptr, options.threads,
                         result.field)) {
            logFile.ReportError(className, "Solve", Message::noMemory, "");
            status = Status::noMemory;
        }
    }
    if (status == Status::ok) {
        result.power =
            RadiatedPower(*model.generator, result.pressures.data(), result.velocities.data());
    }
    result.incidentField = std::move(terms.fieldPoints);
    result.status = status;
    result.seconds = Seconds(start);
    return status;
}
