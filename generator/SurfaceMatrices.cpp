// The matrix commands: -ms writes the surface matrices A and B of a prepared surface, one row per
// surface point; -mm writes the matrices that couple the surface points to measuring points.
#include <memory>
#include <new>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "fileio/FileIO.h"
#include "generator/Generator.h"
#include "generator/ThreadedRows.h"
#include "surface/Preparation.h"

int CGenerator::InitFromFile(CSurface& surface, const char* surfaceFile, int direction) {
    const int status = ReadAndPrepareSurface(surface, surfaceFile, direction);
    if (status < 0) return status;
    return Init(surface);
}

int CGenerator::WriteMatrices(double omega, const char* matrixFile, int rowCount,
                              const Vector3* rowPoints, const double* solidAngles) {
    int status = LoadRules();
    if (status < 0) return status;

    // The rows are computed on the threads while this thread writes them, in order.
    const int threads = ResolveThreadCount(config.threads);
    const std::size_t columns = pointCount > 0 ? static_cast<std::size_t>(pointCount) : 0;
    const std::size_t ringSize = columns * static_cast<std::size_t>(StreamRowCapacity(threads));
    std::unique_ptr<Complex[]> ringA(new (std::nothrow) Complex[ringSize]);
    std::unique_ptr<Complex[]> ringB(new (std::nothrow) Complex[ringSize]);
    if (ringA == nullptr || ringB == nullptr) {
        logFile.ReportError(className, "Init", Message::noMemory, "");
        return Status::noMemory;
    }

    CFileIO fileIO;
    status = fileIO.OpenMatrixFileW(matrixFile, rowCount, pointCount, config.matrixFileMode);
    if (status < 0) return status;

    logFile.Print("Calculating matrix elements...", 1);
    logFile.Print("\n", 0);
    status = StreamMatrixRows(*this, threads, omega, rowPoints, solidAngles, rowCount, ringA.get(),
                              ringB.get(), [&](int row, const Complex* a, const Complex* b) {
                                  logFile.PrintCounter(row, rowCount);
                                  return fileIO.WriteMatrixRow(a, b);
                              });
    if (status < 0) return status;
    // A file whose last writes or close failed is not complete: that is a failure, not success.
    status = fileIO.CloseMatrixFile();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CGenerator::GenerateSurfaceMatrices(double frequency, const char* surfaceFile,
                                        const char* direction, const char* matrixFile) {
    const int flag = DirectionFlag(direction, "GenerateSurfaceMatrices");
    if (flag < 0) return flag;
    if (CheckFrequency(frequency) < 0) return Status::badParameter;
    const double omega = AngularFrequency(frequency);

    CSurface surface(config);
    const int status = InitFromFile(surface, surfaceFile, flag);
    if (status < 0) return status;
    // Row p belongs to file point p, whose solid angle is the free term of the row.
    return WriteMatrices(omega, matrixFile, pointCount, points.data(), surface.solidAngles.data());
}

int CGenerator::GenerateMeasuringMatrices(double frequency, const char* surfaceFile,
                                          const char* direction, const char* pointsFile,
                                          const char* matrixFile) {
    // -mm reports under the name of -ms.
    const int flag = DirectionFlag(direction, "GenerateSurfaceMatrices");
    if (flag < 0) return flag;
    if (CheckFrequency(frequency) < 0) return Status::badParameter;
    const double omega = AngularFrequency(frequency);

    CSurface surface(config);
    CSurface measuringSurface(config);
    int status = InitFromFile(surface, surfaceFile, flag);
    if (status < 0) return status;

    status = ReadMeasuringPoints(measuringSurface, pointsFile);
    if (status < 0) return status;

    return WriteMatrices(omega, matrixFile, measuringSurface.pointCount,
                         measuringSurface.points.data(), nullptr);
}
