#include "surface/SurfaceCheck.h"

#include "base/LogFile.h"
#include "base/Status.h"
#include "surface/Preparation.h"
#include "surface/Surface.h"

int CheckSurface(const ConfigData& config, const char* inputFile, const char* direction,
                 const char* outputFile) {
    const int flag = SurfaceDirectionFlag(direction);
    if (flag < 0) {
        logFile.ReportError("CGenerator", "CheckSurface", Message::badParameter, "direction");
        return Status::badParameter;
    }
    CSurface surface(config);
    int status = ReadAndPrepareSurface(surface, inputFile, flag);
    if (status < 0) return status;

    logFile.Print("Writing surface data...", 1);
    status = surface.WriteSurfaceFile(outputFile);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}
