// A model ready to be solved at any frequency: the prepared surface and the generator over it,
// the excitation of every surface point, the incident sound, the field points, and the points
// inside the body. PrepareModel makes it once from a ModelDescription, before the first
// frequency; CFrequencySolver::Solve (frequency/FrequencySolver.h) only reads it afterwards, so
// that one model may be solved at many frequencies, one after the other.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Vector3.h"
#include "frequency/InteriorPoints.h"
#include "frequency/ModelDescription.h"
#include "generator/Generator.h"
#include "solver/IncidentField.h"
#include "surface/Surface.h"

// A load case ready to be solved: the excitation of every surface point and the incident sound.
struct ModelCase {
    std::string name;  // empty for the one case of a model described without cases
    PointExcitation excitation;
    CIncidentField incident;
    // The cases of one system group share the system matrix (the same type at every point and
    // the same values at Z and Y points): one factorisation solves them all. Groups are
    // numbered from 0 in the order of their first case.
    int group = 0;
};

// A combination of solved cases: the sum over its cases of weight times solution.
struct ModelCombination {
    std::string name;
    std::vector<int> cases;  // indices into Model::cases
    std::vector<Complex> weights;
};

struct Model {
    ConfigData config;                  // as described, DIVISION chosen when not given
    std::unique_ptr<CSurface> surface;  // prepared; its first pointCount points are the unknowns
    std::unique_ptr<CGenerator> generator;
    int pointCount = 0;
    std::vector<ModelCase> cases;  // at least one
    int groupCount = 1;            // the system groups of the cases
    std::vector<ModelCombination> combinations;
    std::vector<Vector3> fieldPoints;
    // The points file each field point comes from, as an index into the description's list
    // (empty when the points were given in memory).
    std::vector<int> fieldPointFile;
    InteriorPoints interior;
    bool interiorChecked = false;  // false when the body has no room for the check points
    ChiefMode chief = ChiefMode::automatic;
    int chiefPoints = 0;  // the least CHIEF points of a solution; interior.chief is the pool
    double residualLimit = 0.01;
    bool compressed = false;        // the surface system is solved compressed
    double solverTolerance = 1e-4;  // its compression tolerance
    int iterationLimit = 400;       // Krylov iterations of one solve
    bool acceptSize = false;  // CheckWavelengths warns instead of refusing
    double radius = 0.0;  // the largest distance of a surface point from the centroid
    double longestEdge = 0.0;
};

// Check points per frequency, where the interior residual measures the field formula
// (CFrequencySolver::Residual).
constexpr int residualCheckPoints = 10;

// The CHIEF points of a solution at ka (k times the model's radius): the interior resonances
// below ka number about (ka)^3 chiefModeFactor (a sphere of radius a has 2 (ka)^3 / 9 pi of them,
// a body inside it fewer), and a solution takes one point per resonance, at least the model's
// chiefPoints, at most the pool of chiefPoolLimit points (or half the surface points).
constexpr double chiefModeFactor = 2.0 / (9.0 * 3.14159265358979323846);
constexpr int chiefPoolLimit = 1000;
int ChiefCount(const Model& model, double ka);

// DIVISION when the description gives none: 2 and 6 times the longest element edge (the longer
// diagonal of a quadrilateral counts as an edge), so that every element that touches a row point
// is integrated with the finest rule. python/src/kavoral/meshimport.py suggests the same values
// (its tests compare them with kavoral-sweep's).
void DefaultDivision(double longestEdge, double division[2]);

// Reads and prepares everything the description names, in the order: surface, DIVISION,
// excitation of every load case (from regions and conditions where not given per point) and
// the grouping of the cases by their system matrix, field points, the checks of the mesh
// against the frequencies, of the field points' side and of the point sources
// (frequency/ModelChecks.h), interior points, generator and quadrature rules. Prints what it chose
// (DIVISION when not given, the rules file).
// 0, or the negative status of the first failure after its report. No work on any frequency
// may start before this has succeeded.
int PrepareModel(const ModelDescription& description, Model& model);
