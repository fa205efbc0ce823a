#include "frequency/Model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "fileio/RegionsFile.h"
#include "frequency/Boundary.h"
#include "frequency/ModelChecks.h"
#include "frequency/Rules.h"
#include "solver/SurfaceSystem.h"
#include "surface/Preparation.h"

namespace {

constexpr const char* className = "Model";

int Fail(const char* function, const char* message, const std::string& comment, int status) {
    logFile.ReportError(className, function, message, comment.c_str());
    return status;
}

void PrintLine(const std::string& text) { logFile.Print(text.c_str(), 1); }

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string PointText(Vector3 p) {
    return "(" + Number(p.x) + ", " + Number(p.y) + ", " + Number(p.z) + ")";
}

// The regions of the elements: a regions file, the regions in memory, or none (null).
int ReadRegions(const ModelDescription& description, RegionMap& fileRegions,
                const RegionMap*& regions) {
    regions = description.regions.names.empty() ? nullptr : &description.regions;
    if (description.regionsFile.empty()) return Status::ok;
    const int status = ReadRegionsFile(description.regionsFile.c_str(), fileRegions);
    if (status < 0) return status;
    regions = &fileRegions;
    return Status::ok;
}

int ReadExcitation(const ModelDescription& description, const LoadCase& loadCase,
                   const CSurface& surface, const RegionMap* regions,
                   PointExcitation& excitation) {
    const bool fromFile = !loadCase.excitationFile.empty();
    if (fromFile || !loadCase.excitation.types.empty()) {
        int count = static_cast<int>(loadCase.excitation.types.size());
        if (fromFile) {
            const int status = CFileIO().ReadExcitationFile(
                loadCase.excitationFile.c_str(), count, excitation.values, excitation.types);
            if (status < 0) return status;
        } else {
            excitation = loadCase.excitation;
        }
        if (count != surface.pointCount ||
            excitation.values.size() != excitation.types.size()) {
            return Fail("PrepareModel", Message::invalidData,
                        (fromFile ? loadCase.excitationFile : std::string("the excitation")) +
                            ": " + std::to_string(count) + " points, the surface has " +
                            std::to_string(surface.pointCount),
                        Status::invalidData);
        }
        return Status::ok;
    }
    return DeriveExcitation(surface.points.data(), surface.pointCount,
                                        surface.elements.data(), surface.elementCount, regions,
                                        loadCase.boundaries, description.jobFile, excitation);
}

// A case name is a word that file names can carry: letters, digits, '_' and '-'.
bool UsableCaseName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (const char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '_' && c != '-') return false;
    }
    return true;
}

// The load cases and combinations with their excitations, grouped by system matrix.
int PrepareCases(const ModelDescription& description, const CSurface& surface, Model& model) {
    RegionMap fileRegions;
    const RegionMap* regions = nullptr;
    int status = ReadRegions(description, fileRegions, regions);
    if (status < 0) return status;
    std::vector<LoadCase> described = description.cases;
    if (described.empty()) {
        LoadCase only;
        only.excitationFile = description.excitationFile;
        only.excitation = description.excitation;
        only.boundaries = description.boundaries;
        only.incident = description.incident;
        described.push_back(std::move(only));
    }
    std::vector<std::string> names;
    const auto nameProblem = [&](const std::string& name) -> std::string {
        if (!UsableCaseName(name)) {
            return "the case name '" + name +
                   "' is not 1 to 64 letters, digits, '_' and '-'";
        }
        if (std::find(names.begin(), names.end(), name) != names.end())
            return "the case name '" + name + "' is given twice";
        return "";
    };
    const auto where = [&](int line) {
        std::string text = description.jobFile;
        if (line > 0) text += " line " + std::to_string(line);
        return text.empty() ? text : text + ", ";
    };
    for (const LoadCase& loadCase : described) {
        ModelCase prepared;
        prepared.name = loadCase.name;
        if (!description.cases.empty()) {
            const std::string problem = nameProblem(loadCase.name);
            if (!problem.empty()) {
                return Fail("PrepareModel", Message::invalidData,
                            where(loadCase.line) + "CASE: " + problem, Status::invalidData);
            }
            names.push_back(loadCase.name);
        }
        status = ReadExcitation(description, loadCase, surface, regions, prepared.excitation);
        if (status < 0) return status;
        prepared.incident = loadCase.incident;
        prepared.group = -1;
        for (const ModelCase& earlier : model.cases) {
            if (SameSystemMatrix(surface.pointCount, earlier.excitation.types.data(),
                                 earlier.excitation.values.data(),
                                 prepared.excitation.types.data(),
                                 prepared.excitation.values.data())) {
                prepared.group = earlier.group;
                break;
            }
        }
        if (prepared.group < 0) prepared.group = static_cast<int>(model.groupCount++);
        model.cases.push_back(std::move(prepared));
    }
    for (const CaseCombination& combination : description.combinations) {
        std::string problem = description.cases.empty() ? "no CASE to combine"
                                                        : nameProblem(combination.name);
        ModelCombination prepared{combination.name, {}, combination.weights};
        if (problem.empty() && (combination.cases.empty() ||
                                combination.cases.size() != combination.weights.size())) {
            problem = "a combination takes one weight for each of one or more cases";
        }
        for (std::size_t i = 0; problem.empty() && i < combination.cases.size(); ++i) {
            const auto found =
                std::find(names.begin(), names.begin() + static_cast<long>(described.size()),
                          combination.cases[i]);
            const int index = static_cast<int>(found - names.begin());
            if (found == names.begin() + static_cast<long>(described.size())) {
                problem = "no CASE '" + combination.cases[i] + "'";
            } else if (std::find(prepared.cases.begin(), prepared.cases.end(), index) !=
                       prepared.cases.end()) {
                problem = "the case '" + combination.cases[i] + "' is named twice";
            }
            prepared.cases.push_back(index);
        }
        if (!problem.empty()) {
            return Fail("PrepareModel", Message::invalidData,
                        where(combination.line) + "COMBINE: " + problem, Status::invalidData);
        }
        names.push_back(combination.name);
        model.combinations.push_back(std::move(prepared));
    }
    if (!description.cases.empty()) {
        std::string list;
        for (const ModelCase& loadCase : model.cases)
            list += (list.empty() ? "" : ", ") + loadCase.name;
        const std::string groups = std::to_string(model.groupCount);
        PrintLine(std::to_string(model.cases.size()) + " load cases (" + list + ") in " + groups +
                  (model.groupCount == 1 ? " group" : " groups") +
                  " of the same system matrix: " + groups +
                  (model.groupCount == 1 ? " factorisation" : " factorisations") +
                  " per frequency" +
                  (model.combinations.empty()
                       ? std::string()
                       : ", " + std::to_string(model.combinations.size()) +
                             (model.combinations.size() == 1 ? " combination" : " combinations")) +
                  "\n");
    }
    return Status::ok;
}

// The stored part of a surface held in memory, copied into an empty surface object.
int TakeSurface(const ModelDescription& description, CSurface& surface) {
    const std::size_t points = description.surfacePoints.size();
    const std::size_t elements = description.surfaceElements.size();
    const std::size_t planes = description.planePoints.size();
    const std::size_t limit = static_cast<std::size_t>(surface.indexLimit);
    if (points == 0 || elements == 0 || points > limit || elements > limit ||
        (!description.surfaceDirections.empty() &&
         description.surfaceDirections.size() != points) ||
        description.planeNormals.size() != planes || planes > 3) {
        return Fail("PrepareModel", Message::invalidData,
                    "the surface in memory: " + std::to_string(points) + " points, " +
                        std::to_string(elements) + " elements, " + std::to_string(planes) +
                        " symmetry planes",
                    Status::invalidData);
    }
    surface.pointCount = static_cast<int>(points);
    surface.points = description.surfacePoints;
    surface.pointDirections = description.surfaceDirections;
    surface.pointDirections.resize(points, Vector3{0.0, 0.0, 0.0});
    surface.elementCount = static_cast<int>(elements);
    surface.elements = description.surfaceElements;
    surface.symmetryPlaneCount = static_cast<int>(planes);
    surface.planePoints = description.planePoints;
    surface.planeNormals = description.planeNormals;
    return Status::ok;
}

// After "Surface not closed!": where the surface is open, as kavoral-mesh check names it.
void PrintOpening(const CSurface& surface, const std::string& surfaceFile) {
    const int count = surface.totalElementCount > 0 ? surface.totalElementCount
                                                    : surface.elementCount;
    std::map<std::pair<int, int>, std::pair<int, int>> edges;  // -> uses, first element
    for (int e = 0; e < count; ++e) {
        const SurfaceElement& element = surface.elements[static_cast<std::size_t>(e)];
        for (int j = 0; j < element.nodeCount; ++j) {
            const int a = element.nodes[j], b = element.nodes[(j + 1) % element.nodeCount];
            auto& uses = edges[{std::min(a, b), std::max(a, b)}];
            if (uses.first++ == 0) uses.second = e;
        }
    }
    int open = 0;
    std::string first;
    for (const auto& edge : edges) {
        if (edge.second.first != 1) continue;
        if (open++ > 0) continue;
        const int a = edge.first.first, b = edge.first.second, e = edge.second.second;
        first = "edge " + std::to_string(a) + "-" + std::to_string(b) + " from " +
                PointText(surface.points[static_cast<std::size_t>(a)]) + " to " +
                PointText(surface.points[static_cast<std::size_t>(b)]) + " belongs to element " +
                std::to_string(e) +
                (e >= surface.elementCount ? " (a mirror image)" : std::string()) + " only";
    }
    const std::string check =
        "'kavoral-mesh check " + (surfaceFile.empty() ? std::string("FILE") : surfaceFile) + "'";
    if (open == 0) {
        PrintLine("No open edge: elements meet at a point in separate fans; " + check +
                  " names the point\n");
    } else {
        PrintLine("The surface is open: " + std::to_string(open) + " open edge" +
                  (open == 1 ? "" : "s") + ", the first " + first + "; " + check +
                  " lists them all\n");
    }
}

int PrepareSurface(const ModelDescription& description, CSurface& surface) {
    const int direction = SurfaceDirectionFlag(description.direction.c_str());
    int status = Status::ok;
    if (!description.surfaceFile.empty()) {
        status = ReadAndPrepareSurface(surface, description.surfaceFile.c_str(), direction);
    } else {
        status = TakeSurface(description, surface);
        if (status == Status::ok) status = surface.PrepareSurface(direction);
    }
    if (status == Status::notClosed) PrintOpening(surface, description.surfaceFile);
    return status;
}

// A point source must lie in the fluid: outside the body of an exterior problem, inside the
// surface of an interior one, and neither on the surface nor on a field point, where its field is
// not finite. One within an element edge of the surface varies faster than the elements there
// resolve: a warning.
int CheckPointSources(const ModelDescription& description, const Model& model,
                      const SurfaceGeometry& geometry) {
    const double tolerance = model.config.pointEps;
    std::vector<PointSource> sources;
    for (const ModelCase& loadCase : model.cases) {
        for (const PointSource& source : loadCase.incident.PointSources()) {
            // A source that several cases share is checked and reported once.
            const bool seen = std::any_of(sources.begin(), sources.end(), [&](const PointSource& s) {
                return Length(s.position - source.position) == 0.0;
            });
            if (!seen) sources.push_back(source);
        }
    }
    for (const PointSource& source : sources) {
        const std::string where = "INCIDENT POINT at " + PointText(source.position);
        const double distance = interior::Distance(geometry, source.position);
        if (!(distance >= tolerance)) {
            return Fail("PrepareModel", Message::invalidData,
                        where + " lies on the surface; a source must be in the fluid",
                        Status::invalidData);
        }
        const bool inside = std::fabs(interior::SolidAngle(geometry, source.position)) > 2.0 * pi;
        if (inside == (description.direction == "OUT")) {
            return Fail("PrepareModel", Message::invalidData,
                        where + (inside ? " lies inside the body" : " lies outside the surface") +
                            "; a source must be in the fluid",
                        Status::invalidData);
        }
        for (const Vector3& field : model.fieldPoints) {
            if (Length(field - source.position) < tolerance) {
                return Fail("PrepareModel", Message::invalidData,
                            where + " is a field point; its field is not finite there",
                            Status::invalidData);
            }
        }
        if (distance < model.longestEdge) {
            PrintLine("Warning: " + where + " is " + Number(distance) +
                      " from the surface, less than the longest element edge " +
                      Number(model.longestEdge) +
                      ": the incident field varies faster than the elements there resolve\n");
        }
    }
    return Status::ok;
}

// The points of every points file the description names, numbered on from file to file.
int ReadFieldPoints(const ModelDescription& description, Model& model) {
    const auto files = description.fieldPointsFiles;
    for (std::size_t f = 0; f < files.size(); ++f) {
        CSurface fieldSurface(model.config);
        fieldSurface.indexLimit = wideSurfaceIndexLimit;
        const int status = ReadMeasuringPoints(fieldSurface, files[f].c_str());
        if (status < 0) return status;
        model.fieldPoints.insert(model.fieldPoints.end(), fieldSurface.points.begin(),
                                 fieldSurface.points.begin() + fieldSurface.pointCount);
        model.fieldPointFile.resize(model.fieldPoints.size(), static_cast<int>(f));
    }
    return Status::ok;
}

}  // namespace

int ChiefCount(const Model& model, double ka) {
    const int pool = static_cast<int>(model.interior.chief.size());
    const double grown =
        std::min(static_cast<double>(pool), std::ceil(chiefModeFactor * ka * ka * ka));
    return std::min(pool, std::max(model.chiefPoints, static_cast<int>(grown)));
}

void DefaultDivision(double longestEdge, double division[2]) {
    division[0] = 2.0 * longestEdge;
    division[1] = 6.0 * longestEdge;
}

int PrepareModel(const ModelDescription& description, Model& model) {
    model = Model{};
    model.config = description.config;
    model.chief = description.chief;
    model.residualLimit = description.residualLimit;
    model.solverTolerance = description.solverTolerance;
    model.acceptSize = description.acceptSize;
    model.surface = std::make_unique<CSurface>(model.config);
    CSurface& surface = *model.surface;
    surface.indexLimit = wideSurfaceIndexLimit;
    int status = PrepareSurface(description, surface);
    if (status < 0) return status;
    model.pointCount = surface.pointCount;

    const SurfaceGeometry geometry{surface.points.data(), surface.elements.data(),
                                   surface.totalElementCount};
    model.longestEdge = interior::LongestEdge(geometry);
    model.radius = LargestDistanceFromCentroid(surface.points.data(), surface.totalPointCount);
    if (!description.divisionGiven) {
        DefaultDivision(model.longestEdge, model.config.division);
        PrintLine("DIVISION " + Number(model.config.division[0]) + " " +
                  Number(model.config.division[1]) + " (2 and 6 times the longest element edge " +
                  Number(model.longestEdge) + ")\n");
    }

    model.groupCount = 0;
    status = PrepareCases(description, surface, model);
    if (status < 0) return status;

    if (!description.fieldPointsFiles.empty()) {
        status = ReadFieldPoints(description, model);
        if (status < 0) return status;
    } else {
        model.fieldPoints = description.fieldPoints;
    }

    // A unit mistake first: it also puts field points on the wrong side.
    status = CheckWavelengths({model.radius, model.longestEdge, model.config.soundVelocity},
                              description.frequencies, model.acceptSize);
    if (status < 0) return status;
    status = CheckFieldPointSides(geometry, model.fieldPoints, description.direction == "OUT",
                                  description.acceptSide);
    if (status < 0) return status;
    status = CheckPointSources(description, model, geometry);
    if (status < 0) return status;

    // The interior of an exterior problem; an interior problem's field is inside the surface.
    if (description.direction == "OUT") {
        const int chiefCount = description.chief == ChiefMode::off ? 0 : description.chiefPoints;
        const int poolCount =
            chiefCount == 0 ? 0
                            : std::max(chiefCount, std::min(chiefPoolLimit, model.pointCount / 2));
        const int found = interior::Choose(geometry, residualCheckPoints, chiefCount, poolCount,
                                           model.interior);
        model.chiefPoints = chiefCount;
        model.interiorChecked =
            static_cast<int>(model.interior.check.size()) == residualCheckPoints;
        if (description.chief == ChiefMode::always && found < residualCheckPoints + chiefCount) {
            return Fail("PrepareModel", Message::invalidData,
                        "the body has room for only " + std::to_string(found) +
                            " interior points at least " + Number(model.interior.depthLimit) +
                            " from the surface, CHIEF " + std::to_string(chiefCount) + " needs " +
                            std::to_string(residualCheckPoints + chiefCount),
                        Status::invalidData);
        }
        if (!model.interiorChecked) {
            PrintLine("Warning: the body has no room for interior check points at least " +
                      Number(model.interior.depthLimit) +
                      " from the surface: no interior residual, no CHIEF\n");
        } else if (description.chief == ChiefMode::automatic &&
                   found < residualCheckPoints + chiefCount) {
            PrintLine("Warning: room for only " + std::to_string(found - residualCheckPoints) +
                      " CHIEF points\n");
        }
    }

    model.compressed = description.solver == SolverMode::compressed ||
                       (description.solver == SolverMode::automatic &&
                        model.pointCount >= compressedFromPoints);
    const std::string points = std::to_string(model.pointCount) + " points";
    const std::string limit = std::to_string(compressedFromPoints);
    PrintLine(std::string("Solver: ") + (model.compressed ? "compressed (" : "dense (") +
              (description.solver == SolverMode::compressed ? "SOLVER COMPRESSED"
               : description.solver == SolverMode::dense    ? "SOLVER DENSE"
               : model.compressed ? points + ", from " + limit + " on the compressed is faster"
                                  : points + ", below " + limit + " the dense is faster") +
              (model.compressed ? "), tolerance " + Number(model.solverTolerance) + "\n" : ")\n"));

    std::string rules;
    status = FindRulesFile(description.rulesFile, rules);
    if (status < 0) return status;
    model.generator = std::make_unique<CGenerator>(model.config);
    status = model.generator->Init(surface);
    if (status < 0) return status;
    status = model.generator->LoadRules(rules.c_str());
    if (status < 0) return status;
    PrintLine("Quadrature rules from " + rules + "\n");
    return Status::ok;
}
