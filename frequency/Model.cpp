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

int ReadExcitation(const ModelDescription& description, const CSurface& surface,
                   PointExcitation& excitation) {
    const bool fromFile = !description.excitationFile.empty();
    if (fromFile || !description.excitation.types.empty()) {
        int count = static_cast<int>(description.excitation.types.size());
        if (fromFile) {
            const int status = CFileIO().ReadExcitationFile(
                description.excitationFile.c_str(), count, excitation.values, excitation.types);
            if (status < 0) return status;
        } else {
            excitation = description.excitation;
        }
        if (count != surface.pointCount ||
            excitation.values.size() != excitation.types.size()) {
            return Fail("PrepareModel", Message::invalidData,
                        (fromFile ? description.excitationFile : std::string("the excitation")) +
                            ": " + std::to_string(count) + " points, the surface has " +
                            std::to_string(surface.pointCount),
                        Status::invalidData);
        }
        return Status::ok;
    }
    RegionMap fileRegions;
    const RegionMap* regions = description.regions.names.empty() ? nullptr : &description.regions;
    if (!description.regionsFile.empty()) {
        const int status = ReadRegionsFile(description.regionsFile.c_str(), fileRegions);
        if (status < 0) return status;
        regions = &fileRegions;
    }
    return DeriveExcitation(surface.points.data(), surface.pointCount,
                                        surface.elements.data(), surface.elementCount, regions,
                                        description.boundaries, description.jobFile, excitation);
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
    for (const PointSource& source : description.incident.PointSources()) {
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
    model.incident = description.incident;
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

    status = ReadExcitation(description, surface, model.excitation);
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
        const int found =
            interior::Choose(geometry, residualCheckPoints, chiefCount, model.interior);
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
