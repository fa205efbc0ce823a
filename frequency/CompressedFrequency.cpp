// The compressed road through one frequency: the surface system of each group of cases, with or
// without CHIEF points, and the field points, by the compressed solve
// (frequency/CompressedSolve.h).
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "frequency/CompressedSolve.h"
#include "frequency/FrequencySolver.h"
#include "solver/SurfaceSystem.h"

// The system matrix of a group and the cases it was built for, in the order of its excitations.
struct CompressedGroup {
    CCompressedSystem system;
    std::vector<const CFrequencySolver::CaseWork*> cases;
};

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

// The index of every case of the group in the shared system's excitations; false when one is
// not there (the group has no system yet).
bool IndicesIn(const CompressedGroup* shared, const CFrequencySolver::CaseGroup& group,
               std::vector<int>& which) {
    if (shared == nullptr) return false;
    which.clear();
    for (const CFrequencySolver::CaseWork* work : group) {
        const auto found = std::find(shared->cases.begin(), shared->cases.end(), work);
        if (found == shared->cases.end()) return false;
        which.push_back(static_cast<int>(found - shared->cases.begin()));
    }
    return true;
}

}  // namespace

int CFrequencySolver::SolveCompressed(const Model& model, double omega, const CaseGroup& group,
                                      int chiefCount, int threads) const {
    const PointExcitation& first = group.front()->loadCase->excitation;
    std::shared_ptr<CompressedGroup> shared = group.front()->compressed;
    std::vector<int> which;
    std::vector<std::vector<Complex>> unknowns;
    std::vector<CompressedReport> reports;
    int status = Status::ok;
    try {
        if (!IndicesIn(shared.get(), group, which)) {
            shared = std::make_shared<CompressedGroup>();
            std::vector<CompressedExcitation> excitations;
            for (const CaseWork* work : group) {
                excitations.push_back({work->loadCase->excitation.values.data(),
                                       &work->terms.surfaceRows, &work->terms.surfacePressures,
                                       &work->terms.surfaceVelocities});
                shared->cases.push_back(work);
                which.push_back(static_cast<int>(which.size()));
            }
            status = shared->system.Build(ProblemOf(model, first), omega, excitations,
                                          SettingsOf(model, threads));
        }
        for (CaseWork* work : group) {
            work->result->pressures.resize(static_cast<std::size_t>(model.pointCount));
            work->result->velocities.resize(work->result->pressures.size());
        }
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Solve", Message::noMemory, "");
        return Status::noMemory;
    }
    if (status < 0) return status;
    status = shared->system.Solve(which, model.interior.chief.data(), chiefCount, unknowns,
                                  reports);
    if (status < 0) return status;
    // Kept for the cases that may be solved again with CHIEF points.
    const bool again = chiefCount == 0 && model.chief == ChiefMode::automatic;
    for (std::size_t c = 0; c < group.size(); ++c) {
        const PointExcitation& excitation = group[c]->loadCase->excitation;
        const CompressedReport& report = reports[c];
        FrequencyResult& result = *group[c]->result;
        RecoverSurfaceSolution(model.pointCount, excitation.types.data(),
                               excitation.values.data(), unknowns[c].data(),
                               result.pressures.data(), result.velocities.data());
        result.chiefPoints = chiefCount;
        result.compressed = true;
        result.iterations += report.iterations;
        result.converged = report.converged;
        result.largestRank = report.largestRank;
        result.compressedBytes = report.memoryBytes;
        result.meanRank = MeanRank(report);
        group[c]->compressed = again ? shared : nullptr;
    }
    return Status::ok;
}

int CFrequencySolver::CompressedField(const Model& model, double omega, const CaseGroup& cases,
                                      int threads) const {
    // The field formula's matrix is the same for every excitation.
    CCompressedField field;
    int status = field.Build(ProblemOf(model, cases.front()->loadCase->excitation), omega,
                             model.fieldPoints, SettingsOf(model, threads));
    if (status < 0) return status;
    for (const CaseWork* work : cases) {
        FrequencyResult& result = *work->result;
        status = field.Values(result.pressures.data(), result.velocities.data(), result.field);
        if (status < 0) return status;
        const std::vector<Complex>& added = work->terms.fieldPoints;
        if (added.size() == result.field.size()) {
            for (std::size_t i = 0; i < result.field.size(); ++i)
                result.field[i] = result.field[i] + added[i];
        }
    }
    return Status::ok;
}
