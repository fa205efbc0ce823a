#include "generator/Generator.h"

#include "base/Doubles.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "surface/Preparation.h"

CGenerator::CGenerator(ConfigData configData) : config(configData) {}

CGenerator::~CGenerator() = default;

int CGenerator::DirectionFlag(const char* direction, const char* functionName) const {
    const int flag = SurfaceDirectionFlag(direction);
    if (flag >= 0) return flag;
    logFile.ReportError(className, functionName, Message::badParameter, "direction");
    return Status::badParameter;
}

int CGenerator::CheckFrequency(double frequency) const {
    if (std::isfinite(frequency)) return Status::ok;
    // -mm reports under the name of -ms, as for the direction.
    logFile.ReportError(className, "GenerateSurfaceMatrices", Message::badParameter, "frequency");
    return Status::badParameter;
}

int CGenerator::LoadRules() { return LoadRules("Gauss.cfs"); }

int CGenerator::LoadRules(const char* rulesFile) {
    const int status = gaussTable.Init(rulesFile);
    if (status < 0) return status;
    config.quadratureOrder[quadratureNear] = 12;
    config.quadratureOrder[quadratureMiddle] = 6;
    config.quadratureOrder[quadratureFar] = 2;
    return Status::ok;
}

Complex CGenerator::WaveNumber(double omega) const {
    const double u = config.soundVelocity.re;
    const double w = config.soundVelocity.im;
    return Complex{omega * u / (u * u + w * w), -(omega * w) / (u * u + w * w)};
}

int CGenerator::Init(const CSurface& surface) {
    const std::size_t count =
        surface.totalElementCount > 0
            ? std::min(static_cast<std::size_t>(surface.totalElementCount), surface.elements.size())
            : 0;
    try {
        points = surface.points;
        pointDirections = surface.pointDirections;
        elements.assign(surface.elements.begin(), surface.elements.begin() + count);
        sourcePointIndex = surface.sourcePointIndex;
        isParallelogram.assign(count, 0);
        normalBase.assign(count, Vector3{0.0, 0.0, 0.0});
        normalSlopeA.assign(count, Vector3{0.0, 0.0, 0.0});
        normalSlopeB.assign(count, Vector3{0.0, 0.0, 0.0});
        nodeFactors.assign(count, std::array<double, 4>{});
        laneStride = (count + doublesLanes - 1) / doublesLanes * doublesLanes;
        laneGeometry.assign(laneValues * laneStride, 0.0);
        elementKind.assign(count, -1);
        columnElementStart.assign(static_cast<std::size_t>(std::max(surface.pointCount, 0)) + 1, 0);
        columnElements.clear();
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Init", Message::noMemory, "");
        return Status::noMemory;
    }
    pointCount = surface.pointCount;
    totalElementCount = static_cast<int>(count);
    MarkParallelograms();
    ComputeElementNormals();
    ComputeNormalFactors();
    FillLaneGeometry();
    try {
        FillColumnElements();
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Init", Message::noMemory, "");
        return Status::noMemory;
    }
    return Status::ok;
}

void CGenerator::ComputeMatrixRows(double omega, const Vector3* rowPoints,
                                   const double* solidAngles, int first, int count, Complex* a,
                                   Complex* b) const {
    const Complex k = WaveNumber(omega);
    const std::size_t columns = pointCount > 0 ? static_cast<std::size_t>(pointCount) : 0;
    // B is scaled by -j omega DENSITY: r + j i becomes omega DENSITY i - j omega DENSITY r.
    const double scale = omega * config.density;
    for (int r = 0; r < count; ++r) {
        const int p = first + r;
        Complex* rowA = a + static_cast<std::size_t>(r) * columns;
        Complex* rowB = b + static_cast<std::size_t>(r) * columns;
        ComputeRowInto(rowPoints[p], k, rowA, rowB);
        if (solidAngles != nullptr) rowA[p].re -= solidAngles[p];
        for (std::size_t c = 0; c < columns; ++c) {
            const Complex value = rowB[c];
            rowB[c] = Complex{scale * value.im, -(scale * value.re)};
        }
    }
}
