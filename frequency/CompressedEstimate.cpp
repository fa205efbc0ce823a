#include "frequency/CompressedEstimate.h"

#include "base/Constants.h"
#include "compressed/Krylov.h"
#include "frequency/CompressedSolve.h"

double CompressedMemoryNeed(const Model& model, int chiefPoints) {
    const int n = model.pointCount;
    // Each case after the first: its known values, right-hand side and product sum while the
    // group's matrix is built, its unknowns, pressures and velocities.
    const double cases = static_cast<double>(model.cases.size() > 1 ? model.cases.size() - 1 : 0);
    // The solve's own vectors: 16 of the surface (known values, right-hand side, unknowns,
    // pressures, velocities and the like) and the Krylov basis of GMRES, restart + 1 of them.
    const double vectors = 16.0 + KrylovOptions().restart + 1.0;
    return EstimateCompressedBytes(model.surface->points.data(), n, compressedRankGuess) +
           16.0 * 3.0 * chiefPoints * n + 16.0 * vectors * n + 16.0 * 6.0 * cases * n;
}

double CompressedSeconds(const Model& model, double frequency, int threads) {
    CompressedSettings settings;
    settings.tolerance = model.solverTolerance;
    settings.threads = threads;
    const CompressedProblem problem{model.generator.get(),
                                    model.surface->points.data(),
                                    model.surface->solidAngles.data(),
                                    model.pointCount,
                                    model.cases[0].excitation.types.data(),
                                    model.cases[0].excitation.values.data()};
    return EstimateCompressedSeconds(problem, AngularFrequency(frequency), settings);
}
