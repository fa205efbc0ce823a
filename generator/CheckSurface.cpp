// The surface check command: read a surface, prepare it and write it back.
#include "app/LogFile.h"
#include "base/Status.h"
#include "generator/Generator.h"
#include "surface/Surface.h"

int CGenerator::ReadAndPrepare(CSurface& surface, const char* surfaceFile, int direction) {
    logFile.Print("Reading surface data...", 1);
    const int status = surface.ReadSurfaceFile(surfaceFile);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return surface.PrepareSurface(direction);
}

int CGenerator::CheckSurface(const char* inputFile, const char* direction, const char* outputFile) {
    const int flag = DirectionFlag(direction, "CheckSurface");
    if (flag < 0) return flag;
    CSurface surface(config);
    int status = ReadAndPrepare(surface, inputFile, flag);
    if (status < 0) return status;

    logFile.Print("Writing surface data...", 1);
    status = surface.WriteSurfaceFile(outputFile);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}
