// The surface system of one frequency held as compressed matrices instead of dense rows, for
// surfaces too large for the dense LU: the system matrix (the columns of A and -B that the
// excitation selects) by blocks from the generator, with the product of the matrix that
// multiplies the known values in the same pass over the blocks (each block's entries of A and
// B computed once for both), solved by GMRES, or by least squares with the rows of CHIEF
// points (either with the near-field preconditioner when asked for); and the field formula at
// many points from a compressed matrix too. No step costs n^2 time or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"
#include "generator/Generator.h"

// What the compressed solve reads: the generator over the prepared surface, the row points (the
// first n are the surface points, with their solid angles) and the excitation of every point.
// Borrowed for the call.
struct CompressedProblem {
    const CGenerator* generator = nullptr;
    const Vector3* points = nullptr;
    const double* solidAngles = nullptr;
    int n = 0;
    const std::int16_t* types = nullptr;
    const Complex* values = nullptr;
};

struct CompressedSettings {
    double tolerance = 1e-4;        // of the compression: relative error of each low-rank block
    double solverTolerance = 1e-5;  // relative residual at which GMRES (or CGLS) stops
    int threads = 1;
    int maxIterations = 400;
    // Points per diagonal block of the near-field preconditioner; 0: none. Measured on the
    // spheres of 2562 and 10242 points at ka 1 and 3, the preconditioner (blocks of 256) saved
    // no iteration or added up to 5, and took memory and time to build: none is the default.
    int preconditionerBlock = 0;
};

// What a compressed solve did, for the tables and the estimate of the next one.
struct CompressedReport {
    int iterations = 0;
    bool converged = false;
    double krylovResidual = 0.0;
    std::size_t memoryBytes = 0;  // the compressed matrices and the preconditioner
    std::size_t denseBytes = 0;   // what the dense system would take
    int largestRank = 0;
    std::size_t lowRankBytes = 0;   // of the system matrix's low-rank blocks
    std::size_t admissibleSides = 0;  // rows plus columns over those blocks
    double assemblySeconds = 0.0;
    double solveSeconds = 0.0;
};

// The memory a compressed solve of the n points will hold at its peak, in bytes, from the
// partition into blocks alone (no entry computed): the dense blocks, the low-rank ones at the
// mean rank `meanRank`, for the system (the matrix of the known values is never held: its
// product comes in the same pass), and the preconditioner. With the rank measured in an earlier solve of the same surface the estimate
// is close; before any, compressedRankGuess. 0 when the partition cannot be made.
constexpr double compressedRankGuess = 7.0;
double EstimateCompressedBytes(const Vector3* points, int n, double meanRank,
                               int preconditionerBlock = CompressedSettings{}.preconditionerBlock);
// The seconds a compressed solve will take on settings.threads threads, from a short probe: a
// sample of the blocks of the partition computed as the solve computes them, scaled to all of
// them. 0 when the probe cannot run.
double EstimateCompressedSeconds(const CompressedProblem& problem, double omega,
                                 const CompressedSettings& settings);
// The mean rank of the low-rank blocks of the last solve, for the next estimate.
double MeanRank(const CompressedReport& report);

// The unknowns of the surface system at the angular frequency omega, with `added` (n values, or
// empty) added to the right-hand side of every row. With chiefPoints given (chiefCount rows),
// the surface rows and the CHIEF rows together in the least-squares sense, the CHIEF rows dense,
// each with the term of the incident pressures and velocities at the surface points (n each, or
// empty: none; InteriorIncidentTerm). unknowns: n values, the first guess on entry
// (zeros are fine). 0 also when the solver stopped before its tolerance (report.converged says
// so), or a negative status after one report: -1 for a singular preconditioner, -4 without
// memory.
int SolveCompressedSystem(const CompressedProblem& problem, double omega,
                          const std::vector<Complex>& added, const Vector3* chiefPoints,
                          int chiefCount, const std::vector<Complex>& incidentPressures,
                          const std::vector<Complex>& incidentVelocities,
                          const CompressedSettings& settings, std::vector<Complex>& unknowns,
                          CompressedReport& report);

// The field formula (sum of A p - B v over the surface, over 4 pi) at every one of the points,
// from a compressed matrix of their rows of A and -B, into values. 0, or -4 after a report.
int CompressedFieldValues(const CompressedProblem& problem, double omega,
                          const std::vector<Vector3>& points, const Complex* pressures,
                          const Complex* velocities, const CompressedSettings& settings,
                          std::vector<Complex>& values);
