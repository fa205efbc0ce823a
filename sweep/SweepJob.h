// A frequency sweep as its job file describes it: the configuration of the medium and the
// tolerances, the surface and its boundary conditions, the frequencies, the field points, the
// protection against interior resonances and where the results go. Paths are ready to open.
#pragma once

#include <string>
#include <vector>

#include "base/Complex.h"
#include "fileio/ConfigData.h"
#include "solver/IncidentField.h"

// A BOUNDARY line: the condition of every element of a region (or of ALL elements).
struct BoundaryCondition {
    std::string region;  // a region name of the regions file, or "ALL"
    int type = 1;        // an excitation type code: P, V, Z or Y
    Complex value{0.0, 0.0};
    int line = 0;  // the job file line, for the reports
};

enum class ChiefMode { automatic, off, always };

struct SweepJob {
    std::string jobFile;
    ConfigData config;
    bool divisionGiven = false;
    std::string direction = "OUT";
    std::string surfaceFile;
    std::string regionsFile;     // empty: every element is in the one region ALL
    std::string excitationFile;  // either this or the boundary conditions
    std::vector<BoundaryCondition> boundaries;
    std::string writeExcitation;  // where the derived excitation is written, or empty
    std::string fieldPointsFile;  // empty: no field points
    // Ascending, each frequency once.
    std::vector<double> frequencies;
    ChiefMode chief = ChiefMode::automatic;
    int chiefPoints = 12;
    // A frequency whose interior residual is above this is near an interior resonance.
    double residualLimit = 0.02;
    // INCIDENT lines, summed: the sound arriving at the body. Empty: the body only radiates.
    CIncidentField incident;
    std::string outputDirectory;
};
