// The compressed road through one frequency: the surface system, with or without CHIEF points,
// and the field points, by the compressed solve (frequency/CompressedSolve.h).
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "frequency/CompressedSolve.h"
#include "frequency/FrequencySolver.h"
#include "solver/SurfaceSystem.h"

namespace {

CompressedProblem ProblemOf(const Model& model, const PointExcitation& excitation) {
    return {model.generator.get(), model.surface->points.data(),
            model.surface->solidAngles.data(), model.pointCount,
            excitation.types.data(),           excitation.values.data()};
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

int CFrequencySolver::SolveCompressed(const Model& model, double omega, const CaseGroup& group,
                                      int chiefCount, int threads) const {
    const std::vector<Vector3>& chief = model.interior.chief;
    // Each case builds its own compressed matrices: their blocks are computed for the
    // right-hand side of the case's known values together.
    for (CaseWork* work : group) {
        const PointExcitation& excitation = work->loadCase->excitation;
        const AddedTerms& added = work->terms;
        FrequencyResult& result = *work->result;
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
        status = SolveCompressedSystem(ProblemOf(model, excitation), omega, added.surfaceRows,
                                       chief.data(), chiefCount, added.surfacePressures,
                                       added.surfaceVelocities,
                                       SettingsOf(model, threads), unknowns, report);
        if (status < 0) return status;
        RecoverSurfaceSolution(model.pointCount, excitation.types.data(),
                               excitation.values.data(), unknowns.data(), result.pressures.data(),
                               result.velocities.data());
        result.chiefPoints = chiefCount;
        result.compressed = true;
        result.iterations += report.iterations;
        result.converged = report.converged;
        result.largestRank = report.largestRank;
        result.compressedBytes = report.memoryBytes;
        result.meanRank = MeanRank(report);
    }
    return Status::ok;
}

int CFrequencySolver::CompressedField(const Model& model, double omega, const CaseWork& work,
                                      int threads) const {
    FrequencyResult& result = *work.result;
    const int status = CompressedFieldValues(ProblemOf(model, work.loadCase->excitation), omega,
                                             model.fieldPoints, result.pressures.data(),
                                             result.velocities.data(),
                                             SettingsOf(model, threads), result.field);
    if (status < 0) return status;
    const std::vector<Complex>& added = work.terms.fieldPoints;
    if (added.size() == result.field.size()) {
        for (std::size_t i = 0; i < result.field.size(); ++i)
            result.field[i] = result.field[i] + added[i];
    }
    return Status::ok;
}
