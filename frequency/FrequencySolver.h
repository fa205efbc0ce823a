// One frequency of a model: the rows of A and B, the surface solution with the arithmetic of the
// surface solution command, the field pressures with that of the measuring-point command, the
// interior residual and, near an interior resonance, the CHIEF solution: the surface rows and
// the rows of interior points together, solved in the least-squares sense. Every front end calls
// this one solve (kavoral-sweep, the Python module), so that they give the same numbers to the
// last bit; the numbers are the same for every thread count.
#pragma once

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/Complex.h"
#include "frequency/Model.h"

// Terms added per frequency, each empty or of the size given: the incident sound
// (frequency/IncidentTerms.h).
struct AddedTerms {
    std::vector<Complex> surfaceRows;  // pointCount: added to the right-hand side of each row
    // pointCount each: the incident pressure and normal velocity at the surface points, from
    // which a CHIEF row takes its term (InteriorIncidentTerm)
    std::vector<Complex> surfacePressures;
    std::vector<Complex> surfaceVelocities;
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
    // CHIEF AUTO at a marked frequency whose CHIEF solution was not clearly better: the points
    // it took and its residual; the direct solution is the one written.
    int triedChiefPoints = 0;
    double chiefResidual = std::numeric_limits<double>::quiet_NaN();
    // The residual of the solution written is not above the limit, or there is none (NaN); false
    // for a failed frequency.
    bool trusted = true;
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
    std::string caseName;  // the load case or combination; empty for a model without cases
    int factorisations = 0;  // the system factorisations of the frequency, over all its cases
};

// The compressed system of a group of cases (frequency/CompressedFrequency.cpp).
struct CompressedGroup;

// How a solve runs; what it computes is the model's (its CHIEF mode and residual limit).
struct FrequencyOptions {
    int threads = 1;  // the threads that compute rows and factorise; the results do not change
};

class CFrequencySolver {
public:
    // Solves every load case of the model at one frequency in Hz, then its combinations:
    // `results` gets one result per case in the model's order, then one per combination. Each
    // system group of cases is factorised once and its cases solved with it together; the
    // interior residual is judged per case, and with CHIEF AUTO a case near a resonance is
    // solved again with the CHIEF points while the others keep the direct solution. A result
    // holds the surface pressures and velocities, the total pressure at every field point, the
    // interior residual, what CHIEF did and the radiated power, with the case's incident sound
    // added. A combination is the weighted sum of its cases' pressures, velocities and field;
    // its residual and power are those of the sum, and it fails when one of its cases failed.
    // Returns 0, or the status of the first failure: -1 for a singular system, -4 when the
    // memory is refused (each reported once). Const, and it only reads the model.
    int SolveCases(const Model& model, double frequency, const FrequencyOptions& options,
                   std::vector<FrequencyResult>& results) const;

    // The same for a model of one load case: its result alone (of the first case, when the
    // model has several). The result's status is also returned.
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

    // One case on its way through a frequency: its load case, the terms its incident sound adds
    // and its result. Used by the solve's own steps. On the compressed road, the system its
    // group shares, from the group's first solve for a solve again with CHIEF points, until the
    // group is done.
    struct CaseWork {
        const ModelCase* loadCase = nullptr;
        AddedTerms terms;
        FrequencyResult* result = nullptr;
        std::shared_ptr<CompressedGroup> compressed;
    };
    using CaseGroup = std::vector<CaseWork*>;

private:
    const char* className = "CFrequencySolver";
    // The cases of a group, sharing their system matrix: by the LU of the system with a
    // right-hand side per case, or in the least-squares sense with the rows of the CHIEF points.
    int SolveDirect(const Model& model, double omega, const CaseGroup& group, int threads) const;
    int SolveLeastSquares(const Model& model, double omega, const CaseGroup& group,
                          int chiefCount, int threads) const;
    // The same on compressed matrices (frequency/CompressedFrequency.cpp), with the first
    // chiefCount CHIEF points or without (0): the group's system matrix built once with every
    // case's right-hand side, or taken from the group's first solve, and each case solved by
    // itself; the field points' matrix built once and applied to every case.
    int SolveCompressed(const Model& model, double omega, const CaseGroup& group, int chiefCount,
                        int threads) const;
    int CompressedField(const Model& model, double omega, const CaseGroup& cases,
                        int threads) const;
    int SolveSurface(const Model& model, double omega, const CaseGroup& group, int chiefCount,
                     int threads) const;
    // The residual of every case of the group; the cases near a resonance, solved again with
    // chiefCount CHIEF points where the model says so, each keeping the CHIEF solution when it
    // is better by chiefGain's rule.
    int JudgeAndResolve(const Model& model, double omega, const CaseGroup& group,
                        int chiefCount, int threads, int& factorisations) const;
    int FieldOfCases(const Model& model, double omega, const CaseGroup& cases,
                     int threads) const;
    void Combine(const Model& model, double omega, const ModelCombination& combination,
                 const std::vector<CaseWork>& work, int threads, FrequencyResult& result) const;
};

// CHIEF AUTO keeps the CHIEF solution of a marked frequency when its residual is within the
// limit or below the direct one's over chiefGain; else the direct solution stays.
constexpr double chiefGain = 3.0;
