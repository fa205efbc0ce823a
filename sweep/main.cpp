// kavoral-sweep: a frequency sweep of the boundary element method in one run.
//   kavoral-sweep [--resume] [--part i/N] [--at-once n] job.txt
//   kavoral-sweep --merge OUTPUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "base/LogFile.h"
#include "base/Stopwatch.h"
#include "base/Status.h"
#include "sweep/JobFile.h"
#include "sweep/SweepRun.h"

namespace {

const char* const usage =
    "Usage: kavoral-sweep [--resume] [--part i/N] [--at-once n] job.txt\n"
    "       kavoral-sweep --merge OUTPUT\n"
    "  --resume     skip the frequencies already solved in the output folder\n"
    "  --part i/N   solve every N-th frequency from the i-th on, into part tables\n"
    "  --at-once n  solve n frequencies side by side (default: chosen from the solver and\n"
    "               the memory)\n"
    "  --merge      join the part tables of an output folder\n";

int Usage() {
    std::fputs(usage, stderr);
    return 2;
}

bool ParsePart(const char* text, int& part, int& parts) {
    char extra = 0;
    return std::sscanf(text, "%d/%d%c", &part, &parts, &extra) == 2 && parts >= 1 &&
           parts <= 100000 && part >= 1 && part <= parts;
}

bool ParseCount(const char* text, int& count) {
    char extra = 0;
    return std::sscanf(text, "%d%c", &count, &extra) == 1 && count >= 1 && count <= 1024;
}

}  // namespace

int main(int argc, char* argv[]) {
    RunOptions options;
    const char* jobFile = nullptr;
    const char* mergeFolder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--resume") == 0) {
            options.resume = true;
        } else if (std::strcmp(argv[i], "--part") == 0 && i + 1 < argc) {
            if (!ParsePart(argv[++i], options.part, options.parts)) return Usage();
        } else if (std::strcmp(argv[i], "--at-once") == 0 && i + 1 < argc) {
            if (!ParseCount(argv[++i], options.atOnce)) return Usage();
        } else if (std::strcmp(argv[i], "--merge") == 0 && i + 1 < argc && mergeFolder == nullptr) {
            mergeFolder = argv[++i];
        } else if (argv[i][0] != '-' && jobFile == nullptr) {
            jobFile = argv[i];
        } else {
            return Usage();
        }
    }
    if ((jobFile == nullptr) == (mergeFolder == nullptr)) return Usage();
    if (mergeFolder != nullptr && (options.resume || options.parts > 1 || options.atOnce > 0))
        return Usage();

    CStopwatch stopwatch;
    // The log is opened in the output folder once the job is read and the model prepared.
    logFile.HoldLogText(true);
    logFile.Print("kavoral-sweep: a frequency sweep of the boundary element method\n", 1);
    if (jobFile != nullptr) {
        logFile.Print((std::string(stopwatch.DateText()) + ": " + jobFile +
                       (options.resume ? " --resume" : "") + "\n").c_str(), 1);
    }
    CSweepRun run;
    int status = 0;
    if (mergeFolder != nullptr) {
        status = run.Merge(mergeFolder);
    } else {
        SweepJob job;
        status = CJobFile().Read(jobFile, job);
        if (status == 0) status = run.Run(job, options);
    }
    if (status == 0 || status == Status::untrusted) {
        logFile.Print("Elapsed time: ", 1);
        logFile.Print(stopwatch.ElapsedText(), 1);
        logFile.Print("\n", 1);
    }
    return -status;
}
