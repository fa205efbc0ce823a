// What a sweep computes with at every frequency: the prepared surface and the generator over it,
// the excitation of every surface point, the field points, and the points inside the body. It is
// made once, before the first frequency, and only read afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Vector3.h"
#include "generator/Generator.h"
#include "surface/Surface.h"
#include "sweep/Boundary.h"
#include "sweep/InteriorPoints.h"
#include "sweep/SweepJob.h"

struct SweepModel {
    ConfigData config;                  // as the job gives it, DIVISION chosen when absent
    std::unique_ptr<CSurface> surface;  // prepared; its first pointCount points are the unknowns
    std::unique_ptr<CGenerator> generator;
    int pointCount = 0;
    PointExcitation excitation;
    std::vector<Vector3> fieldPoints;
    InteriorPoints interior;
    bool interiorChecked = false;  // false when the body has no room for the check points
    double radius = 0.0;           // the largest distance of a surface point from the centroid
    double longestEdge = 0.0;
};

// Check points per frequency: the interior residual is their RMS field over the RMS surface
// pressure.
constexpr int residualCheckPoints = 10;

// Reads and prepares everything the job names, in the order: surface, DIVISION, regions and
// excitation, field points, interior points, generator and quadrature rules. Prints what it
// chose. 0, or the negative status of the first failure after its report. No work on any
// frequency starts before this has succeeded.
int PrepareSweepModel(const SweepJob& job, SweepModel& model);
