// The compressed road through one frequency: the surface system, with or without CHIEF points,
// and the field points, by the compressed solve (frequency/CompressedSolve.h).
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "frequency/CompressedSolve.h"
#include "frequency/FrequencySolver.h"
#include "solver/SurfaceSystem.h"

namespace {

CompressedProblem ProblemOf(const Model& model) {
    return {model.generator.get(), model.surface->points.data(),
            model.surface->solidAngles.data(), model.pointCount,
            model.excitation.types.data(),     model.excitation.values.data()};
}

CompressedSettings SettingsOf(const Model& model, int threads) {
    CompressedSettings settings;
    settings.tolerance = model.solverTolerance;
    // The Krylov solver stops well below the error the compression leaves.
    settings.solverTolerance = model.solverTolerance / 10.0;
    settings.threads = threads;
    settings.maxIterations = model.iterationLimit;
    return settings;
}

}  // namespace

int CFrequencySolver::SolveCompressed(const Model& model, double omega, const AddedTerms* added,
                                      int chiefCount, int threads,
                                      FrequencyResult& result) const {
    const std::vector<Complex> none;
    const std::vector<Vector3>& chief = model.interior.chief;
    std::vector<Complex> unknowns;
    CompressedReport report;
    int status = Status::noMemory;
    try {
        result.pressures.resize(static_cast<std::size_t>(model.pointCount));
        result.velocities.resize(result.pressures.size());
        status = Status::ok;
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
    }
    if (status < 0) return status;
    status = SolveCompressedSystem(ProblemOf(model), omega,
                                   added != nullptr ? added->surfaceRows : none, chief.data(),
                                   chiefCount, added != nullptr ? added->chiefRows : none,
                                   SettingsOf(model, threads), unknowns, report);
    if (status < 0) return status;
    RecoverSurfaceSolution(model.pointCount, model.excitation.types.data(),
                           model.excitation.values.data(), unknowns.data(),
                           result.pressures.data(), result.velocities.data());
    result.chiefPoints = chiefCount;
    result.compressed = true;
    result.iterations += report.iterations;
    result.converged = report.converged;
    result.largestRank = report.largestRank;
    result.compressedBytes = report.memoryBytes;
    result.meanRank = MeanRank(report);
    return Status::ok;
}

int CFrequencySolver::CompressedField(const Model& model, double omega, const AddedTerms* added,
                                      int threads, FrequencyResult& result) const {
    const int status = CompressedFieldValues(ProblemOf(model), omega, model.fieldPoints,
                                             result.pressures.data(), result.velocities.data(),
                                             SettingsOf(model, threads), result.field);
    if (status < 0) return status;
    if (added != nullptr && added->fieldPoints.size() == result.field.size()) {
        for (std::size_t i = 0; i < result.field.size(); ++i)
            result.field[i] = result.field[i] + added->fieldPoints[i];
    }
    return Status::ok;
}
