// One frequency of a model: the rows of A and B, the surface solution with the arithmetic of the
// surface solution command, the field pressures with that of the measuring-point command, the
// interior residual and, near an interior resonance, the CHIEF solution: the surface rows and
// the rows of interior points together, solved in the least-squares sense. Every front end calls
// this one solve (kavoral-sweep, the Python module), so that they give the same numbers to the
// last bit; the numbers are the same for every thread count.
#pragma once

#include <limits>
#include <vector>

#include "base/Complex.h"
#include "frequency/Model.h"

// Terms added per frequency, each empty or of the size given: the incident sound
// (frequency/IncidentTerms.h).
struct AddedTerms {
    std::vector<Complex> surfaceRows;  // pointCount: added to the right-hand side of each row
    std::vector<Complex> chiefRows;    // one per CHIEF point: added to its right-hand side
    std::vector<Complex> fieldPoints;  // one per field point: added to its pressure
    std::vector<Complex> checkPoints;  // one per check point: added to its field value
};

struct FrequencyResult {
    double frequency = 0.0;
    double ka = 0.0;
    double elementsPerWavelength = 0.0;  // by the longest edge (frequency/ModelChecks.h)
    int status = 0;              // 0, or the negative status of the failure
    int chiefPoints = 0;         // the CHIEF points of the solution written (0: none)
    double firstResidual = 0.0;  // of the solution without CHIEF points; NaN when not checked
    double residual = 0.0;       // of the solution written; NaN when not checked
    bool nearResonance = false;  // firstResidual above the limit
    // The compressed solver: whether it solved, its Krylov iterations (those of every solve of
    // the frequency), whether the solution written reached the solver tolerance, the largest
    // rank of a block, the memory of its matrices and the mean rank of the system's blocks.
    bool compressed = false;
    int iterations = 0;
    bool converged = true;
    int largestRank = 0;
    std::size_t compressedBytes = 0;
    double meanRank = 0.0;
    double seconds = 0.0;
    // The sound power the solution radiates in W (frequency/SurfacePower.h); NaN when the
    // solve failed.
    double power = std::numeric_limits<double>::quiet_NaN();
    std::vector<Complex> pressures;   // pointCount
    std::vector<Complex> velocities;  // pointCount
    std::vector<Complex> field;       // one per field point: the total pressure
    std::vector<Complex> incidentField;  // one per field point, or empty: no incident sound
};

// How a solve runs; what it computes is the model's (its CHIEF mode and residual limit).
struct FrequencyOptions {
    int threads = 1;  // the threads that compute rows and factorise; the results do not change
};

class CFrequencySolver {
public:
    // Solves the model at one frequency in Hz: the surface pressures and velocities, the total
    // pressure at every field point, the interior residual and what CHIEF did, with the model's
    // incident sound added. The result's status is also returned: 0, -1 for a singular system,
    // -4 when the memory is refused (each reported once). Const, and it only reads the model.
    int Solve(const Model& model, double frequency, const FrequencyOptions& options,
              FrequencyResult& result) const;

    // The interior residual of a solution: at the check points inside the body the field formula
    // (the pressure term, the velocity term and the added incident sound) must sum to zero; the
    // residual is the RMS of the sum over the RMS of the three terms, each taken by itself.
    // Every boundary type and every incident field gives the terms a size, so a wrong solution
    // shows whatever is given; the residual is at most sqrt 3, 0 only for a problem without
    // sound. NaN when the body has no check points.
    static double Residual(const Model& model, double omega, const FrequencyResult& result,
                           const AddedTerms* added, int threads);

private:
    const char* className = "CFrequencySolver";
    int SolveDirect(const Model& model, double omega, const AddedTerms* added, int threads,
                    FrequencyResult& result) const;
    int SolveLeastSquares(const Model& model, double omega, const AddedTerms* added,
                          int threads, FrequencyResult& result) const;
    // The same on compressed matrices (frequency/CompressedFrequency.cpp), with the CHIEF points
    // or without.
    int SolveCompressed(const Model& model, double omega, const AddedTerms* added,
                        bool withChief, int threads, FrequencyResult& result) const;
    int CompressedField(const Model& model, double omega, const AddedTerms* added, int threads,
                        FrequencyResult& result) const;
    int SolveSurface(const Model& model, double omega, const AddedTerms* added, bool withChief,
                     int threads, FrequencyResult& result) const;
};
