#include "app/Kavoral.h"

#include <cstring>
#include <limits>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Stopwatch.h"
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

// Runs one command on the arguments after the switch, from a copy of the configuration: it
// constructs the command object, runs its one operation and destroys it.
using CommandHandler = int (*)(const char* const* arguments, ConfigData config);

struct CommandEntry {
    const char* name;        // the switch
    const char* parameters;  // the parameter names of the usage text, one per argument
    int argumentCount;       // program name and switch included
    CommandHandler run;
};

// The number of blank-separated words of a text.
constexpr int WordCount(const char* text) {
    int count = 0;
    for (bool inWord = false; *text != '\0'; ++text) {
        const bool blank = *text == ' ';
        if (!blank && !inWord) ++count;
        inWord = !blank;
    }
    return count;
}

// The frequency argument of -ms and -mm. A text that is not a finite decimal number gives NaN,
// which the command refuses after its own direction check.
double FrequencyArgument(const char* text) {
    double frequency = std::numeric_limits<double>::quiet_NaN();
    ParseDecimalText(text, frequency);
    return frequency;
}

int SurfaceMatrices(const char* const* arguments, ConfigData config) {
    CGenerator generator(config);
    return generator.GenerateSurfaceMatrices(FrequencyArgument(arguments[0]), arguments[1],
                                             arguments[2], arguments[3]);
}

int MeasuringMatrices(const char* const* arguments, ConfigData config) {
    CGenerator generator(config);
    return generator.GenerateMeasuringMatrices(FrequencyArgument(arguments[0]), arguments[1],
                                               arguments[2], arguments[3], arguments[4]);
}

int CMatrix(const char* const* arguments, ConfigData config) {
    CSolver solver(config);
    return solver.ComputeCMatrix(arguments[0], arguments[1]);
}

int SurfaceSolution(const char* const* arguments, ConfigData config) {
    CSolver solver(config);
    return solver.SolveLinearSystem(arguments[0], arguments[1], arguments[2]);
}

int MeasuringResults(const char* const* arguments, ConfigData config) {
    CSolver solver(config);
    return solver.GetMeasuringResults(arguments[0], arguments[1], arguments[2]);
}

int SurfaceCheck(const char* const* arguments, ConfigData config) {
    return CheckSurface(config, arguments[0], arguments[1], arguments[2]);
}

// A command takes one argument per parameter name.
constexpr CommandEntry Command(const char* name, const char* parameters, CommandHandler run) {
    return {name, parameters, 2 + WordCount(parameters), run};
}

// The commands in the order of the usage text.
constexpr CommandEntry commands[] = {
    Command("-ms", "freq surface.srf direction surface.mtx", SurfaceMatrices),
    Command("-mm", "freq surface.srf direction points.ms points.mtx", MeasuringMatrices),
    Command("-mi", "surface.mtx surface_C.mtx", CMatrix),
    Command("-xs", "surface.mtx excitation.xct surface.res", SurfaceSolution),
    Command("-xm", "points.mtx surface.res points.res", MeasuringResults),
    Command("-ch", "insurf.srf direction outsurf.srf", SurfaceCheck),
};

}  // namespace

std::string Kavoral::UsageText() {
    std::string text =
        "\nUsage:\n\tKavoral <switch> <parameters>\n\nwhere <switch> and corresponding "
        "<parameters> are:\n\n";
    for (const CommandEntry& command : commands) {
        text += std::string("\t") + command.name + " " + command.parameters + "\n";
    }
    return text + "\n";
}

int Kavoral::Start(int argc, const char* const* argv) {
    CStopwatch stopwatch;
    const int opened = logFile.Open();
    if (opened < 0) return opened;

    logFile.Print(banner, 1);
    logFile.Print(stopwatch.DateText(), 1);
    logFile.Print("\n", 1);
    const std::string usage = UsageText();
    if (argc < 2) {
        logFile.Print(usage.c_str(), 1);
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

    for (const CommandEntry& command : commands) {
        if (std::strcmp(argv[1], command.name) != 0 || argc != command.argumentCount) continue;
        const int status = command.run(argv + 2, config);
        if (status < 0) return status;
        logFile.Print(stopwatch.ElapsedText(), 1);
        logFile.Print("\n\n", 1);
        return Status::ok;
    }
    logFile.ReportError(className, "Start", Message::badArguments, "");
    logFile.Print(usage.c_str(), 1);
    return Status::badArguments;
}
