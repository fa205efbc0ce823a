// Turning each sub-boundary to the requested side, and the whole preparation pipeline.
#include "base/Constants.h"
#include "app/LogFile.h"
#include "base/Status.h"
#include "surface/Surface.h"

int CSurface::TurnSurface(int direction) {
    int turnedAny = 0;
    for (int s = 0; s < subBoundaryCount; ++s) {
        const int first = pointStarts[s];
        const int end = pointStarts[s + 1];
        double sum = 0.0;
        for (int position = first; position < end; ++position) sum += solidAngles[pointOrder[position]];
        const double mean = sum / (end - first);
        const bool turn = direction == 1 ? mean < 2.0 * pi : mean > 2.0 * pi;
        if (!turn) continue;
        for (int position = elementStarts[s]; position < elementStarts[s + 1]; ++position) {
            ReverseNodes(elements[elementOrder[position]]);
        }
        for (int position = first; position < end; ++position) {
            double& angle = solidAngles[pointOrder[position]];
            angle = 4.0 * pi - angle;
        }
        turnedAny = 1;
    }
    return turnedAny;
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
