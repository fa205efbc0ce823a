#include "sweep/SweepModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/LogFile.h"
#include "base/Constants.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "surface/Preparation.h"
#include "sweep/RegionsFile.h"

namespace {

constexpr const char* className = "CSweep";

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

int ReadExcitation(const SweepJob& job, const CSurface& surface, PointExcitation& excitation) {
    if (!job.excitationFile.empty()) {
        CFileIO fileIO;
        int count = 0;
        const int status = fileIO.ReadExcitationFile(job.excitationFile.c_str(), count,
                                                     excitation.values, excitation.types);
        if (status < 0) return status;
        if (count != surface.pointCount) {
            return Fail("PrepareSweep", Message::invalidData,
                        job.excitationFile + ": " + std::to_string(count) +
                            " points, the surface has " + std::to_string(surface.pointCount),
                        Status::invalidData);
        }
        return Status::ok;
    }
    RegionMap regions;
    if (!job.regionsFile.empty()) {
        const int status = CRegionsFile().Read(job.regionsFile.c_str(), regions);
        if (status < 0) return status;
    }
    CBoundaryConditions boundary;
    int status = boundary.Derive(surface.points.data(), surface.pointCount, surface.elements.data(),
                                 surface.elementCount, job.regionsFile.empty() ? nullptr : &regions,
                                 job.boundaries, job.jobFile, excitation);
    if (status < 0) return status;
    if (!job.writeExcitation.empty()) {
        status = boundary.WriteExcitationFile(
            job.writeExcitation, excitation,
            "Excitation derived from " + job.jobFile + " by kavoral-sweep");
        if (status < 0) return status;
        PrintLine("Excitation written to " + job.writeExcitation + "\n");
    }
    return Status::ok;
}

double LargestDistanceFromCentroid(const CSurface& surface) {
    const int count = surface.totalPointCount;
    Vector3 centroid{0.0, 0.0, 0.0};
    for (int i = 0; i < count; ++i) centroid = centroid + surface.points[i];
    centroid = centroid * (1.0 / count);
    double largest = 0.0;
    for (int i = 0; i < count; ++i)
        largest = std::max(largest, Length(surface.points[i] - centroid));
    return largest;
}

std::string PointText(Vector3 p) {
    return "(" + Number(p.x) + ", " + Number(p.y) + ", " + Number(p.z) + ")";
}

// A point source must lie in the fluid: outside the body of an exterior problem, inside the
// surface of an interior one, and neither on the surface nor on a field point, where its field is
// not finite. One within an element edge of the surface varies faster than the elements there
// resolve: a warning.
int CheckPointSources(const SweepJob& job, const SweepModel& model,
                      const SurfaceGeometry& geometry) {
    const double tolerance = model.config.pointEps;
    for (const PointSource& source : job.incident.PointSources()) {
        const std::string where = "INCIDENT POINT at " + PointText(source.position);
        const double distance = interior::Distance(geometry, source.position);
        if (!(distance >= tolerance)) {
            return Fail("PrepareSweep", Message::invalidData,
                        where + " lies on the surface; a source must be in the fluid",
                        Status::invalidData);
        }
        const bool inside = std::fabs(interior::SolidAngle(geometry, source.position)) > 2.0 * pi;
        if (inside == (job.direction == "OUT")) {
            return Fail("PrepareSweep", Message::invalidData,
                        where + (inside ? " lies inside the body" : " lies outside the surface") +
                            "; a source must be in the fluid",
                        Status::invalidData);
        }
        for (const Vector3& field : model.fieldPoints) {
            if (Length(field - source.position) < tolerance) {
                return Fail("PrepareSweep", Message::invalidData,
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

}  // namespace

int PrepareSweepModel(const SweepJob& job, SweepModel& model) {
    model = SweepModel{};
    model.config = job.config;
    model.surface = std::make_unique<CSurface>(model.config);
    CSurface& surface = *model.surface;
    surface.indexLimit = wideSurfaceIndexLimit;
    int status = ReadAndPrepareSurface(surface, job.surfaceFile.c_str(),
                                       SurfaceDirectionFlag(job.direction.c_str()));
    if (status < 0) return status;
    model.pointCount = surface.pointCount;

    const SurfaceGeometry geometry{surface.points.data(), surface.elements.data(),
                                   surface.totalElementCount};
    model.longestEdge = interior::LongestEdge(geometry);
    model.radius = LargestDistanceFromCentroid(surface);
    if (!job.divisionGiven) {
        model.config.division[0] = 2.0 * model.longestEdge;
        model.config.division[1] = 6.0 * model.longestEdge;
        PrintLine("DIVISION " + Number(model.config.division[0]) + " " +
                  Number(model.config.division[1]) + " (2 and 6 times the longest element edge " +
                  Number(model.longestEdge) + ")\n");
    }

    status = ReadExcitation(job, surface, model.excitation);
    if (status < 0) return status;

    if (!job.fieldPointsFile.empty()) {
        CSurface fieldSurface(model.config);
        fieldSurface.indexLimit = wideSurfaceIndexLimit;
        logFile.Print("Reading measuring points...", 1);
        status = fieldSurface.ReadSurfaceFile(job.fieldPointsFile.c_str());
        if (status < 0) return status;
        logFile.Print("Ready\n", 1);
        model.fieldPoints.assign(fieldSurface.points.begin(),
                                 fieldSurface.points.begin() + fieldSurface.pointCount);
    }

    status = CheckPointSources(job, model, geometry);
    if (status < 0) return status;

    // The interior of an exterior problem; an interior problem's field is inside the surface.
    if (job.direction == "OUT") {
        const int chiefCount = job.chief == ChiefMode::off ? 0 : job.chiefPoints;
        const int found =
            interior::Choose(geometry, residualCheckPoints, chiefCount, model.interior);
        model.interiorChecked =
            static_cast<int>(model.interior.check.size()) == residualCheckPoints;
        if (job.chief == ChiefMode::always && found < residualCheckPoints + chiefCount) {
            return Fail("PrepareSweep", Message::invalidData,
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
        } else if (job.chief == ChiefMode::automatic && found < residualCheckPoints + chiefCount) {
            PrintLine("Warning: room for only " + std::to_string(found - residualCheckPoints) +
                      " CHIEF points\n");
        }
    }

    model.generator = std::make_unique<CGenerator>(model.config);
    status = model.generator->Init(surface);
    if (status < 0) return status;
    return model.generator->LoadRules();
}
