// The matrix commands: -ms writes the surface matrices A and B of a prepared surface, one row per
// surface point; -mm writes the matrices that couple the surface points to measuring points.
#include <cmath>
#include <cstdio>

#include "base/Constants.h"
#include "app/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "generator/Generator.h"

void CGenerator::SetWaveNumber(double omega) {
    const double u = config.soundVelocity.re;
    const double w = config.soundVelocity.im;
    waveNumber.re = omega * u / (u * u + w * w);
    waveNumber.im = -(omega * w) / (u * u + w * w);
}

int CGenerator::TakeOverSurface(CSurface& surface, const char* surfaceFile, int direction) {
    const int status = ReadAndPrepare(surface, surfaceFile, direction);
    if (status < 0) return status;

    pointCount = surface.pointCount;
    totalElementCount = surface.totalElementCount;
    points = surface.points.data();
    pointDirections = surface.pointDirections.data();
    elements = surface.elements.data();
    sourcePointIndex = surface.sourcePointIndex.data();
    return Init();
}

int CGenerator::WriteMatrices(double omega, const char* matrixFile, int rowCount,
                              const Vector3* rowPoints, const double* solidAngles) {
    int status = gaussTable.Init();
    if (status < 0) return status;
    SetQuadratureOrders();

    CFileIO fileIO;
    status = fileIO.OpenMatrixFileW(matrixFile, rowCount, pointCount, config.matrixFileMode);
    if (status < 0) return status;

    logFile.Print("Calculating matrix elements...", 1);
    logFile.Print("\n", 0);
    // B is scaled by -j omega DENSITY: r + j i becomes omega DENSITY i - j omega DENSITY r.
    const double scale = omega * config.density;
    for (int p = 0; p < rowCount; ++p) {
        logFile.PrintCounter(p, rowCount);
        ComputeRow(rowPoints[p]);
        if (solidAngles != nullptr) rowA[p].re -= solidAngles[p];
        for (int c = 0; c < pointCount; ++c) {
            const Complex value = rowB[c];
            rowB[c] = Complex{scale * value.im, -(scale * value.re)};
        }
        status = fileIO.WriteMatrixRow(rowA.data(), rowB.data());
        if (status < 0) return status;
    }
    // A file whose last writes or close failed is not complete: that is a failure, not success.
    status = fileIO.CloseMatrixFile();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CGenerator::StartMatrixCommand(const char* direction, double frequency, double& omega) {
    // -mm reports under the name of -ms.
    const int flag = DirectionFlag(direction, "GenerateSurfaceMatrices");
    if (flag < 0) return flag;
    if (!std::isfinite(frequency)) {
        logFile.ReportError(className, "GenerateSurfaceMatrices", Message::badParameter,
                            "frequency");
        return Status::badParameter;
    }
    omega = 2.0 * pi * frequency;
    SetWaveNumber(omega);
    return flag;
}

int CGenerator::GenerateSurfaceMatrices(double frequency, const char* surfaceFile,
                                        const char* direction, const char* matrixFile) {
    double omega = 0.0;
    const int flag = StartMatrixCommand(direction, frequency, omega);
    if (flag < 0) return flag;

    CSurface surface(config);
    const int status = TakeOverSurface(surface, surfaceFile, flag);
    if (status < 0) return status;
    // Row p belongs to file point p, whose solid angle is the free term of the row.
    return WriteMatrices(omega, matrixFile, pointCount, points, surface.solidAngles.data());
}

int CGenerator::GenerateMeasuringMatrices(double frequency, const char* surfaceFile,
                                          const char* direction, const char* pointsFile,
                                          const char* matrixFile) {
    double omega = 0.0;
    const int flag = StartMatrixCommand(direction, frequency, omega);
    if (flag < 0) return flag;

    CSurface surface(config);
    CSurface measuringSurface(config);
    int status = TakeOverSurface(surface, surfaceFile, flag);
    if (status < 0) return status;

    // Only the points of the measuring point file are used; it is neither prepared nor reflected.
    logFile.Print("Reading measuring points...", 1);
    status = measuringSurface.ReadSurfaceFile(pointsFile);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    measuringPointCount = measuringSurface.pointCount;
    measuringPoints = measuringSurface.points.data();

    return WriteMatrices(omega, matrixFile, measuringPointCount, measuringPoints, nullptr);
}
