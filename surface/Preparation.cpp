#include "surface/Preparation.h"

#include <cstring>

#include "base/LogFile.h"
#include "base/Status.h"

int SurfaceDirectionFlag(const char* direction) {
    if (direction != nullptr && std::strcmp(direction, "OUT") == 0) return 1;
    if (direction != nullptr && std::strcmp(direction, "IN") == 0) return 0;
    return -1;
}

int ReadAndPrepareSurface(CSurface& surface, const char* fileName, int direction) {
    logFile.Print("Reading surface data...", 1);
    const int status = surface.ReadSurfaceFile(fileName);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return surface.PrepareSurface(direction);
}

int ReadMeasuringPoints(CSurface& points, const char* fileName) {
    logFile.Print("Reading measuring points...", 1);
    const int status = points.ReadSurfaceFile(fileName);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSurface::PrepareSurface(int direction) {
    logFile.Print("Checking element indices...", 1);
    int status = CheckElements();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Reflecting to ", 1);
    logFile.PrintNumber(symmetryPlaneCount, 1);
    logFile.Print(" symmetry planes...", 1);
    status = Reflect();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Building element adjacency matrix...", 1);
    status = BuildNeighbourMatrix();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Searching for subboundaries...", 1);
    const int flipped = GetSubBoundaries();
    if (flipped < 0) return flipped;
    logFile.Print("Ready\t", 1);
    logFile.PrintNumber(flipped, 1);
    logFile.Print(" elements flipped\t", 1);
    logFile.PrintNumber(subBoundaryCount, 1);
    logFile.Print(" boundaries found\n", 1);
    neighbours = {};

    logFile.Print("Calculating spheric angles...", 1);
    status = CalculateAngles();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Turning surface to the right direction...", 1);
    const int turned = TurnSurface(direction);
    logFile.Print("Ready\n", 1);

    if (flipped > 0 || turned > 0) logFile.Print("### Surface has been changed! ###\n", 1);
    elementOrder = {};
    pointOrder = {};
    return Status::ok;
}
