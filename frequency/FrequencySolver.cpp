#include "frequency/FrequencySolver.h"

#define lapack_complex_float float _Complex
#define lapack_complex_double Complex
#include <lapacke.h>

#include <algorithm>
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
#include "solver/LinEqu.h"
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

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

namespace {

const std::vector<Complex>* Terms(const std::vector<Complex>& terms) {
    return terms.empty() ? nullptr : &terms;
}

// A CHIEF row's right-hand side with the term of the incident sound, or untouched without one.
Complex WithIncident(Complex value, int n, const Complex* a, const Complex* b,
                     const AddedTerms& terms) {
    if (terms.surfacePressures.size() < Size(n) || n == 0) return value;
    return value + InteriorIncidentTerm(n, a, b, terms.surfacePressures.data(),
                                        terms.surfaceVelocities.data());
}

const PointExcitation& ExcitationOf(const CFrequencySolver::CaseWork& work) {
    return work.loadCase->excitation;
}

// The least-squares solutions of the m x n column-major system for k right-hand sides (each
// m long, one after the other), into their first n entries: the matrix's QR once, then each
// right-hand side alone, as zgels treats one (the solution of every case is then bit for bit
// that of the case solved alone). LAPACK's info.
lapack_int LeastSquares(int m, int n, int k, Complex* matrix, Complex* rightHandSides) {
    if (k == 1) return LAPACKE_zgels(LAPACK_COL_MAJOR, 'N', m, n, 1, matrix, m, rightHandSides, m);
    std::vector<Complex> tau;
    try {
        tau.resize(Size(n));
    } catch (const std::bad_alloc&) {
        return LAPACK_WORK_MEMORY_ERROR;
    }
    lapack_int info = LAPACKE_zgeqrf(LAPACK_COL_MAJOR, m, n, matrix, m, tau.data());
    for (int c = 0; info == 0 && c < k; ++c) {
        Complex* b = rightHandSides + Size(c) * Size(m);
        info = LAPACKE_zunmqr(LAPACK_COL_MAJOR, 'L', 'C', m, 1, n, matrix, m, tau.data(), b, m);
        if (info == 0)
            info = LAPACKE_ztrtrs(LAPACK_COL_MAJOR, 'U', 'N', 'N', n, 1, matrix, m, b, m);
    }
    return info;
}

// Sizes the surface arrays of every result of the group; false when the memory is refused.
bool SizeSurfaceArrays(const CFrequencySolver::CaseGroup& group, int n) {
    try {
        for (CFrequencySolver::CaseWork* work : group) {
            work->result->pressures.resize(Size(n));
            work->result->velocities.resize(Size(n));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

int CFrequencySolver::SolveDirect(const Model& model, double omega, const CaseGroup& group,
                                  int threads) const {
    const int n = model.pointCount;
    std::vector<const std::int16_t*> types;
    std::vector<const Complex*> values;
    std::vector<const Complex*> added;
    std::vector<std::vector<Complex>> pressures(group.size());
    std::vector<std::vector<Complex>> velocities(group.size());
    for (const CaseWork* work : group) {
        const std::vector<Complex>& terms = work->terms.surfaceRows;
        types.push_back(ExcitationOf(*work).types.data());
        values.push_back(ExcitationOf(*work).values.data());
        added.push_back(terms.size() >= Size(n) && n > 0 ? terms.data() : nullptr);
    }
    const SurfaceRowFeed streamedRows = [&](const SurfaceRowTake& take) {
        if (ForEachRow(*model.generator, omega, RowPoints(model),
                       model.surface->solidAngles.data(), threads, take))
            return Status::ok;
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    };
    const CSolver::SurfaceExcitations excitations{static_cast<int>(group.size()), types.data(),
                                                  values.data(), added.data()};
    const int status = CSolver::SolveSurfaceRows(n, excitations, streamedRows, threads, className,
                                                 "Solve", pressures.data(), velocities.data());
    if (status < 0) return status;
    for (std::size_t c = 0; c < group.size(); ++c) {
        group[c]->result->pressures.swap(pressures[c]);
        group[c]->result->velocities.swap(velocities[c]);
        group[c]->result->chiefPoints = 0;
    }
    return Status::ok;
}

int CFrequencySolver::SolveLeastSquares(const Model& model, double omega, const CaseGroup& group,
                                        int chiefCount, int threads) const {
    const int n = model.pointCount;
    const int k = static_cast<int>(group.size());
    const int m = n + chiefCount;
    // Column-major, as the least-squares solver takes it: entry (row i, column j) at i + j m;
    // the right-hand sides likewise, one column per case.
    const std::unique_ptr<Complex[]> matrix(new (std::nothrow) Complex[Size(m) * Size(n)]);
    std::vector<Complex> rightHandSides;
    std::vector<Complex> row;
    bool computed = matrix != nullptr && SizeSurfaceArrays(group, n);
    std::vector<Vector3> chief;
    try {
        rightHandSides.resize(Size(m) * Size(k));
        row.resize(Size(n));
        chief.assign(model.interior.chief.begin(), model.interior.chief.begin() + chiefCount);
    } catch (const std::bad_alloc&) {
        computed = false;
    }
    // Surface rows first, then the interior rows A_c p - B_c v = 0, all transformed by the
    // boundary conditions alike.
    const auto assemble = [&](int offsetRow, bool surfaceRows) {
        return [&, offsetRow, surfaceRows](int r, const Complex* a, const Complex* b) {
            const int i = offsetRow + r;
            for (int c = 0; c < k; ++c) {
                const PointExcitation& e = ExcitationOf(*group[Size(c)]);
                const AddedTerms& terms = group[Size(c)]->terms;
                const Complex value =
                    c == 0 ? AssembleSystemRow(n, a, b, e.types.data(), e.values.data(), row.data())
                           : SystemRowRightHandSide(n, a, b, e.types.data(), e.values.data());
                rightHandSides[Size(i) + Size(c) * Size(m)] =
                    surfaceRows ? WithAdded(value, Terms(terms.surfaceRows), Size(r))
                                : WithIncident(value, n, a, b, terms);
            }
            for (int j = 0; j < n; ++j) matrix[Size(i) + Size(j) * Size(m)] = row[Size(j)];
        };
    };
    computed =
        computed &&
        ForEachRow(*model.generator, omega, RowPoints(model), model.surface->solidAngles.data(),
                   threads, assemble(0, true)) &&
        ForEachRow(*model.generator, omega, chief, nullptr, threads, assemble(n, false));
    if (!computed) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    }
    const lapack_int info = LeastSquares(m, n, k, matrix.get(), rightHandSides.data());
    if (info == LAPACK_WORK_MEMORY_ERROR || info == LAPACK_TRANSPOSE_MEMORY_ERROR) {
        logFile.ReportError(className, "Solve", Message::noMemory, "least squares");
        return Status::noMemory;
    }
    if (info != 0) {
        logFile.ReportError(className, "Solve", Message::singularMatrix, "least squares");
        return Status::badArguments;
    }
    for (int c = 0; c < k; ++c) {
        const PointExcitation& e = ExcitationOf(*group[Size(c)]);
        FrequencyResult& result = *group[Size(c)]->result;
        RecoverSurfaceSolution(n, e.types.data(), e.values.data(),
                               rightHandSides.data() + Size(c) * Size(m), result.pressures.data(),
                               result.velocities.data());
        result.chiefPoints = chiefCount;
    }
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

int CFrequencySolver::SolveSurface(const Model& model, double omega, const CaseGroup& group,
                                   int chiefCount, int threads) const {
    if (model.compressed) return SolveCompressed(model, omega, group, chiefCount, threads);
    return chiefCount > 0 ? SolveLeastSquares(model, omega, group, chiefCount, threads)
                          : SolveDirect(model, omega, group, threads);
}

int CFrequencySolver::JudgeAndResolve(const Model& model, double omega, const CaseGroup& group,
                                      int chiefCount, int threads, int& factorisations) const {
    CaseGroup marked;
    for (CaseWork* work : group) {
        FrequencyResult& result = *work->result;
        result.residual = Residual(model, omega, result, &work->terms, threads);
        result.firstResidual = result.residual;
        result.nearResonance = result.residual > model.residualLimit;
        if (result.nearResonance && model.chief == ChiefMode::automatic && chiefCount > 0)
            marked.push_back(work);
    }
    if (marked.empty()) return Status::ok;
    std::vector<FrequencyResult> direct;
    try {
        for (const CaseWork* work : marked) direct.push_back(*work->result);
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    }
    const int status = SolveSurface(model, omega, marked, chiefCount, threads);
    // A compressed solve again with CHIEF points takes the group's system matrix as its first
    // solve built it; the dense least squares factorises a matrix of its own.
    if (!model.compressed) ++factorisations;
    if (status < 0) return status;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        FrequencyResult& result = *marked[i]->result;
        result.residual = Residual(model, omega, result, &marked[i]->terms, threads);
        // The residual at the check points favours the CHIEF solution, which makes the field
        // vanish at points inside too: above the limit only a clear gain shows a better surface.
        const bool better = result.residual <= model.residualLimit ||
                            result.residual * chiefGain < direct[i].residual;
        if (direct[i].converged && !better) {
            direct[i].iterations = result.iterations;
            direct[i].chiefResidual = result.residual;
            direct[i].triedChiefPoints = result.chiefPoints;
            result = std::move(direct[i]);
        }
    }
    return Status::ok;
}

int CFrequencySolver::FieldOfCases(const Model& model, double omega, const CaseGroup& cases,
                                   int threads) const {
    if (cases.empty() || model.fieldPoints.empty()) return Status::ok;
    if (model.compressed) return CompressedField(model, omega, cases, threads);
    // The rows of the field points once, for every case.
    const int n = model.pointCount;
    bool computed = true;
    try {
        for (CaseWork* work : cases)
            work->result->field.assign(model.fieldPoints.size(), Complex{0.0, 0.0});
    } catch (const std::bad_alloc&) {
        computed = false;
    }
    computed = computed &&
               ForEachRow(*model.generator, omega, model.fieldPoints, nullptr, threads,
                          [&](int row, const Complex* a, const Complex* b) {
                              const std::size_t i = Size(row);
                              for (CaseWork* work : cases) {
                                  FrequencyResult& r = *work->result;
                                  r.field[i] = WithAdded(FieldPressure(n, a, b, r.pressures.data(),
                                                                       r.velocities.data()),
                                                         Terms(work->terms.fieldPoints), i);
                              }
                          });
    if (!computed) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    }
    return Status::ok;
}

namespace {

// sum + weight x, entry by entry; an empty x counts as zeros, an empty sum takes x's size.
void AddWeighted(std::vector<Complex>& sum, Complex weight, const std::vector<Complex>& x) {
    if (x.empty()) return;
    if (sum.empty()) sum.assign(x.size(), Complex{0.0, 0.0});
    for (std::size_t i = 0; i < x.size() && i < sum.size(); ++i) sum[i] += weight * x[i];
}

}  // namespace

void CFrequencySolver::Combine(const Model& model, double omega,
                               const ModelCombination& combination,
                               const std::vector<CaseWork>& work, int threads,
                               FrequencyResult& result) const {
    result.caseName = combination.name;
    result.firstResidual = std::numeric_limits<double>::quiet_NaN();
    result.residual = result.firstResidual;
    AddedTerms added;
    for (std::size_t i = 0; i < combination.cases.size(); ++i) {
        const CaseWork& member = work[Size(combination.cases[i])];
        const FrequencyResult& part = *member.result;
        if (part.status < 0) {
            result.status = part.status;
            return;
        }
        const Complex w = combination.weights[i];
        AddWeighted(result.pressures, w, part.pressures);
        AddWeighted(result.velocities, w, part.velocities);
        AddWeighted(result.field, w, part.field);
        AddWeighted(result.incidentField, w, part.incidentField);
        AddWeighted(added.checkPoints, w, member.terms.checkPoints);
        result.chiefPoints = std::max(result.chiefPoints, part.chiefPoints);
        result.nearResonance = result.nearResonance || part.nearResonance;
        result.compressed = result.compressed || part.compressed;
        result.converged = result.converged && part.converged;
        result.iterations += part.iterations;
    }
    // The field of the sum is the sum of the fields, so the sum has a residual of its own.
    result.residual = Residual(model, omega, result, &added, threads);
    result.firstResidual = result.residual;
    result.power = RadiatedPower(*model.generator, result.pressures.data(), result.velocities.data());
}

int CFrequencySolver::SolveCases(const Model& model, double frequency,
                                 const FrequencyOptions& options,
                                 std::vector<FrequencyResult>& results) const {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t caseCount = model.cases.size();
    results.assign(caseCount + model.combinations.size(), FrequencyResult{});
    const double omega = AngularFrequency(frequency);
    const double ka = model.generator->WaveNumber(omega).re * model.radius;
    for (std::size_t c = 0; c < results.size(); ++c) {
        results[c].frequency = frequency;
        results[c].ka = ka;
        results[c].elementsPerWavelength =
            ElementsPerWavelength(model.longestEdge, model.config.soundVelocity, frequency);
        if (c < caseCount) results[c].caseName = model.cases[c].name;
    }
    std::vector<CaseWork> work(caseCount);
    int firstFailure = Status::ok;
    const auto fail = [&](CaseWork& w, int status) {
        w.result->status = status;
        if (firstFailure == Status::ok) firstFailure = status;
    };
    for (std::size_t c = 0; c < caseCount; ++c) {
        work[c].loadCase = &model.cases[c];
        work[c].result = &results[c];
        const int status = IncidentTerms(model, model.cases[c].incident, omega, work[c].terms);
        if (status < 0) fail(work[c], status);
    }
    const int chiefCount = model.interiorChecked ? ChiefCount(model, ka) : 0;
    int factorisations = 0;
    CaseGroup solved;
    for (int g = 0; g < model.groupCount; ++g) {
        CaseGroup group;
        for (CaseWork& w : work) {
            if (w.loadCase->group == g && w.result->status == Status::ok) group.push_back(&w);
        }
        if (group.empty()) continue;
        int status = SolveSurface(model, omega, group,
                                  model.chief == ChiefMode::always ? chiefCount : 0,
                                  options.threads);
        ++factorisations;
        if (status == Status::ok) {
            status =
                JudgeAndResolve(model, omega, group, chiefCount, options.threads, factorisations);
        }
        for (CaseWork* w : group) w->compressed.reset();
        for (CaseWork* w : group) {
            FrequencyResult& result = *w->result;
            if (status == Status::ok && !result.converged) {
                const std::string comment =
                    "stopped after " + std::to_string(result.iterations) + " iterations";
                logFile.ReportError(className, "Solve", Message::notConverged, comment.c_str());
                fail(*w, Status::notConverged);
            } else if (status < 0) {
                fail(*w, status);
            } else {
                solved.push_back(w);
            }
        }
    }
    const int fieldStatus = FieldOfCases(model, omega, solved, options.threads);
    for (CaseWork* w : solved) {
        if (fieldStatus < 0) {
            fail(*w, fieldStatus);
            continue;
        }
        w->result->power = RadiatedPower(*model.generator, w->result->pressures.data(),
                                         w->result->velocities.data());
    }
    for (CaseWork& w : work) {
        w.result->incidentField = std::move(w.terms.fieldPoints);
    }
    for (std::size_t i = 0; i < model.combinations.size(); ++i) {
        FrequencyResult& result = results[caseCount + i];
        Combine(model, omega, model.combinations[i], work, options.threads, result);
    }
    const double seconds = Seconds(start);
    for (FrequencyResult& result : results) {
        result.factorisations = factorisations;
        result.seconds = seconds;
        result.trusted = result.status == Status::ok && !(result.residual > model.residualLimit);
    }
    return firstFailure;
}

int CFrequencySolver::Solve(const Model& model, double frequency,
                            const FrequencyOptions& options, FrequencyResult& result) const {
    std::vector<FrequencyResult> results;
    const int status = SolveCases(model, frequency, options, results);
    result = std::move(results.front());
    return status;
}
