#include "app/Kavoral.h"

#include <cstring>
#include <limits>

#include "app/LogFile.h"
#include "base/Status.h"
#include "app/Stopwatch.h"
#include "fileio/ConfigData.h"
#include "fileio/FileIO.h"
#include "fileio/NumberScan.h"
#include "generator/Generator.h"
#include "solver/Solver.h"
#include "surface/SurfaceCheck.h"

namespace {

const char* const banner =
    "\n"
    "------------------------------------------------------------------\n"
    "\tKavoral 1.1\tAcoustical Boundary Element software\n"
    "\t\t\tCopyright (c) 2026 The Kavoral developers\n"
    "------------------------------------------------------------------\n"
    "\n";

const char* const usage =
    "\nUsage:\n\tKavoral <switch> <parameters>\n\nwhere <switch> and corresponding <parameters> "
    "are:\n\n\t-ms freq surface.srf direction surface.mtx\n\t-mm freq surface.srf direction "
    "points.ms points.mtx\n\t-mi surface.mtx surface_C.mtx\n\t-xs surface.mtx excitation.xct "
    "surface.res\n\t-xm points.mtx surface.res points.res\n\t-ch insurf.srf direction "
    "outsurf.srf\n\n";

enum Command { surfaceMatrices, measuringMatrices, cMatrix, surfaceSolution, measuringResults,
               checkSurface, commandCount };

struct CommandEntry {
    const char* name;
    int argumentCount;  // program name and switch included
};

const CommandEntry commands[commandCount] = {
    {"-ms", 6}, {"-mm", 7}, {"-mi", 4}, {"-xs", 5}, {"-xm", 5}, {"-ch", 5},
};

// The frequency argument of -ms and -mm. A text that is not a finite decimal number gives NaN,
// which the command refuses after its own direction check.
double FrequencyArgument(const char* text) {
    double frequency = std::numeric_limits<double>::quiet_NaN();
    ParseDecimalText(text, frequency);
    return frequency;
}

// Constructs the command object from a copy of the configuration, runs its one operation, destroys
// the object and returns the operation's status.
int RunCommand(int command, const char* const* argv, ConfigData config) {
    switch (command) {
        case surfaceMatrices: {
            const double frequency = FrequencyArgument(argv[2]);
            CGenerator generator(config);
            return generator.GenerateSurfaceMatrices(frequency, argv[3], argv[4], argv[5]);
        }
        case measuringMatrices: {
            const double frequency = FrequencyArgument(argv[2]);
            CGenerator generator(config);
            return generator.GenerateMeasuringMatrices(frequency, argv[3], argv[4], argv[5],
                                                       argv[6]);
        }
        case cMatrix: {
            CSolver solver(config);
            return solver.ComputeCMatrix(argv[2], argv[3]);
        }
        case surfaceSolution: {
            CSolver solver(config);
            return solver.SolveLinearSystem(argv[2], argv[3], argv[4]);
        }
        case measuringResults: {
            CSolver solver(config);
            return solver.GetMeasuringResults(argv[2], argv[3], argv[4]);
        }
        default:
            return CheckSurface(config, argv[2], argv[3], argv[4]);
    }
}

}  // namespace

int Kavoral::Start(int argc, const char* const* argv) {
    CStopwatch stopwatch;
    const int opened = logFile.Open();
    if (opened < 0) return opened;

    logFile.Print(banner, 1);
    logFile.Print(stopwatch.DateText(), 1);
    logFile.Print("\n", 1);
    if (argc < 2) {
        logFile.Print(usage, 1);
        return Status::badArguments;
    }
    for (int i = 1; i < argc; ++i) {
        logFile.Print(argv[i], 1);
        logFile.Print(" ", 1);
    }
    logFile.Print("\n\n", 1);

    logFile.Print("Reading configuration data...", 1);
    CFileIO fileIO;
    ConfigData config;
    const int read = fileIO.ReadConfigFile("Kavoral.cfg", config);
    if (read < 0) return read;
    logFile.Print("Ready\n", 1);

    int command = 0;
    while (command < commandCount && std::strcmp(argv[1], commands[command].name) != 0) ++command;
    if (command < commandCount && argc == commands[command].argumentCount) {
        const int status = RunCommand(command, argv, config);
        if (status < 0) return status;
        logFile.Print(stopwatch.ElapsedText(), 1);
        logFile.Print("\n\n", 1);
        return Status::ok;
    }
    logFile.ReportError(className, "Start", Message::badArguments, "");
    logFile.Print(usage, 1);
    return Status::badArguments;
}
