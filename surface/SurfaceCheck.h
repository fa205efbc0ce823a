// The surface check command: read a surface, check and repair it (element indices, symmetry
// planes, closedness, consistent orientation, the requested direction) and write it back.
#pragma once

#include "fileio/ConfigData.h"

// -ch insurf.srf direction outsurf.srf. A bad direction text is reported as a bad parameter of
// CGenerator::CheckSurface, the name the command has always reported under. 0 or the failure.
int CheckSurface(const ConfigData& config, const char* inputFile, const char* direction,
                 const char* outputFile);
