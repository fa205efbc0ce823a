// Turning each sub-boundary to the requested side.
#include "base/Constants.h"
#include "base/Status.h"
#include "surface/Surface.h"

int CSurface::TurnSurface(int direction) {
    int turnedAny = 0;
    for (int s = 0; s < subBoundaryCount; ++s) {
        const int first = pointStarts[s];
        const int end = pointStarts[s + 1];
        double sum = 0.0;
        for (int position = first; position < end; ++position)
            sum += solidAngles[pointOrder[position]];
        const double mean = sum / (end - first);
        const bool turn = direction == 1 ? mean < 2.0 * pi : mean > 2.0 * pi;
        if (!turn) continue;
        for (int position = static_cast<int>(elementStarts[s]);
             position < static_cast<int>(elementStarts[s + 1]); ++position) {
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
