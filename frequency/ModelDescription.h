// A model as its front end describes it, before anything is read or prepared: the medium and the
// tolerances, the surface, its boundary conditions, the incident sound, the field points and the
// protection against interior resonances. Each input is either held in memory or named as a file
// to read; a file named wins over the data in memory. The kavoral-sweep job file fills one, the
// Python module another; both are turned into a Model by PrepareModel (frequency/Model.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"
#include "fileio/ConfigData.h"
#include "fileio/RegionsFile.h"
#include "solver/IncidentField.h"
#include "surface/SurfaceElement.h"

// The condition of every element of a region (or of ALL elements).
struct BoundaryCondition {
    std::string region;  // a region name of the element regions, or "ALL"
    int type = 1;        // an excitation type code: P, V, Z or Y (fileio/ExcitationType.h)
    Complex value{0.0, 0.0};
    int line = 0;  // the line of the description's file, for the reports (0: none)
};

// The excitation of every surface point: one type code and one value per point.
struct PointExcitation {
    std::vector<std::int16_t> types;
    std::vector<Complex> values;
};

// automatic: CHIEF points only where the interior residual marks a resonance; off: never;
// always: at every frequency.
enum class ChiefMode { automatic, off, always };

// One load case of a model: its own boundary conditions, given as in the description (an
// excitation file, an excitation per point, or conditions by region; the regions are the
// model's) and its own incident sound. The cases of a model share everything else.
struct LoadCase {
    std::string name;
    std::string excitationFile;
    PointExcitation excitation;
    std::vector<BoundaryCondition> boundaries;
    CIncidentField incident;
    int line = 0;  // the line of the description's file that opened it (0: none)
};

// A case made of solved cases: the sum of their solutions, each times its complex weight.
struct CaseCombination {
    std::string name;
    std::vector<std::string> cases;  // names of load cases, each at most once
    std::vector<Complex> weights;    // one per case
    int line = 0;
};

enum class SolverMode { automatic, dense, compressed };
// From this many surface points on, the automatic choice is the compressed solver: above it the
// compressed solve of a frequency is faster than the dense one (see the user's guide).
constexpr int compressedFromPoints = 3000;

struct ModelDescription {
    // The file the description was read from, named in the reports; may be empty.
    std::string jobFile;
    ConfigData config;
    bool divisionGiven = false;  // false: DIVISION is chosen from the longest element edge
    std::string direction = "OUT";

    // The surface: a surface file, or the stored part in memory (the points with their direction
    // vectors, empty directions meaning zero vectors, the elements and the symmetry planes).
    std::string surfaceFile;
    std::vector<Vector3> surfacePoints;
    std::vector<Vector3> surfaceDirections;
    std::vector<SurfaceElement> surfaceElements;
    std::vector<Vector3> planePoints;
    std::vector<Vector3> planeNormals;

    // The boundary conditions: an excitation per surface point (an excitation file, or
    // `excitation` when it is not empty), or else conditions by region. The regions name one
    // region per element of the stored part (a regions file, or `regions`); without any, every
    // element is in the one region ALL.
    std::string excitationFile;
    PointExcitation excitation;
    std::string regionsFile;
    RegionMap regions;
    std::vector<BoundaryCondition> boundaries;

    // The sound arriving at the body, summed; empty: the body only radiates.
    CIncidentField incident;

    // The load cases. Empty: the one case of the boundary conditions and incident sound above.
    // Otherwise every case brings its own (the conditions and incident sound above are then not
    // used), and the combinations are made of them.
    std::vector<LoadCase> cases;
    std::vector<CaseCombination> combinations;

    // Where the field is computed: points files (the surface file format), whose points are
    // numbered on from file to file in the order given, or the points.
    std::vector<std::string> fieldPointsFiles;
    std::vector<Vector3> fieldPoints;

    // The quadrature rules: a rules file, or empty: found by FindRulesFile (frequency/Rules.h).
    std::string rulesFile;

    ChiefMode chief = ChiefMode::automatic;
    int chiefPoints = 12;
    // A frequency whose interior residual is above this is near an interior resonance: on the
    // spheres measured the residual is about the relative surface error.
    double residualLimit = 0.01;

    // The frequencies the model is to be solved at, ascending, each once (a job file's), which
    // PrepareModel checks the mesh against; empty: the front end checks them when it knows them.
    std::vector<double> frequencies;

    // Mistakes that the user means: a body whose size looks like a unit mistake against the
    // frequencies, field points on the side of the surface where the field is not computed
    // (frequency/ModelChecks.h).
    bool acceptSize = false;
    bool acceptSide = false;

    // How the surface system is solved: by the LU of the whole matrix, by compressed matrices
    // and a Krylov solver, or by the point count (compressed from compressedFromPoints on).
    SolverMode solver = SolverMode::automatic;
    // The compression tolerance: the relative error of each low-rank block.
    double solverTolerance = 1e-4;
};
