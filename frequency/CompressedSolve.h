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
#include "compressed/HMatrix.h"
#include "compressed/NearFieldPreconditioner.h"
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
    std::size_t lowRankBytes = 0;     // of the system matrix's low-rank blocks
    std::size_t admissibleSides = 0;  // rows plus columns over those blocks
    double assemblySeconds = 0.0;
    double solveSeconds = 0.0;
};

// The memory a compressed solve of the n points will hold at its peak, in bytes, from the
// partition into blocks alone (no entry computed): the dense blocks, the low-rank ones at the
// mean rank `meanRank`, for the system (the matrix of the known values is never held: its
// product comes in the same pass), and the preconditioner. With the rank measured in an earlier
// solve of the same surface the estimate is close; before any, compressedRankGuess. 0 when the
// partition cannot be made.
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

// One excitation of a group whose points carry the same types and the same Z and Y values, so
// that they share the system matrix: its values (n), the terms added to the right-hand sides of
// its surface rows (n values), and the incident pressures and velocities at the surface points
// (n each) from which a CHIEF row takes its term (InteriorIncidentTerm); each null or empty for
// none. Borrowed for the life of the system built with it.
struct CompressedExcitation {
    const Complex* values = nullptr;
    const std::vector<Complex>* added = nullptr;
    const std::vector<Complex>* incidentPressures = nullptr;
    const std::vector<Complex>* incidentVelocities = nullptr;
};

// The surface system of a group of excitations at one frequency: the compressed system matrix
// built once, the right-hand side of every excitation from the same pass over its blocks, and
// then each excitation solved by itself. Each solution is bit for bit what a system built for
// that excitation alone gives. Holds the matrix until destroyed.
class CCompressedSystem {
public:
    // The matrix of the problem (its types, and its values where they enter the matrix: the
    // excitations' Z and Y values) and the right-hand side of each excitation. 0, or a negative
    // status after one report: -4 without memory; the system is then not to be solved.
    int Build(const CompressedProblem& problem, double omega,
              const std::vector<CompressedExcitation>& excitations,
              const CompressedSettings& settings);
    // The unknowns of the excitations `which` (indices into those built), one Krylov solve each
    // from zeros: by GMRES, or with chiefCount CHIEF points (their rows computed once for all of
    // them) in the least-squares sense. unknowns[i] and reports[i] belong to which[i]. 0 also
    // when a solve stopped before its tolerance (its report says so), or a negative status after
    // one report: -1 for a singular preconditioner, -4 without memory.
    int Solve(const std::vector<int>& which, const Vector3* chiefPoints, int chiefCount,
              std::vector<std::vector<Complex>>& unknowns,
              std::vector<CompressedReport>& reports) const;

private:
    CompressedProblem problem;  // borrowed, as its excitations
    double omega = 0.0;
    CompressedSettings settings;
    std::vector<CompressedExcitation> excitations;
    CHMatrix system;
    CNearFieldPreconditioner preconditioner;
    std::vector<Complex> rightHandSides;  // n per excitation, one after the other
    CompressedReport built;               // the memory, the ranks and the assembly's seconds
};

// The field formula (sum of A p - B v over the surface, over 4 pi) at many points from one
// compressed matrix of their rows of A and -B, built once for the surface solutions of any
// number of excitations: the matrix does not depend on the excitation.
class CCompressedField {
public:
    // 0, or -4 after a report.
    int Build(const CompressedProblem& problem, double omega, const std::vector<Vector3>& points,
              const CompressedSettings& settings);
    // The field values (one per point) of the surface pressures and velocities (n each). 0, or
    // -4 after a report.
    int Values(const Complex* pressures, const Complex* velocities,
               std::vector<Complex>& values) const;

private:
    int n = 0;
    int pointCount = 0;
    double impedance = 1.0;
    CHMatrix field;
};
