// A whole sweep run: the estimate of memory and time, the frequency loop with its progress line,
// the files of every frequency, the tables kept current after each frequency, resuming an
// interrupted sweep, running one part of a sweep split over several processes or hosts, and
// joining the parts.
#pragma once

#include <string>
#include <vector>

#include "frequency/Model.h"
#include "sweep/SweepJob.h"

struct RunOptions {
    bool resume = false;  // skip the frequencies whose results are already in the output folder
    int part = 1;         // this run takes every parts-th frequency from the part-th on
    int parts = 1;
    int atOnce = 0;       // frequencies solved side by side; 0: chosen by the solver and memory
    double availableMemory = 0.0;  // bytes the run may take; 0: what the system has available
};

// The table names of a run: frequencies.csv and field.csv, or for a part
// frequencies.part2of4.csv and field.part2of4.csv.
std::string TableName(const std::string& table, int part, int parts);
// The log of a run, sweep.log, or for a part sweep.part2of4.log; it grows across runs.
std::string LogName(int part, int parts);

class CSweepRun {
public:
    // Runs the job. 0 when every frequency was solved; otherwise the status of the first
    // frequency that failed (the others were still run), or of a failure before the first one;
    // Status::untrusted when all were solved but some stay untrusted (their residual above the
    // limit after CHIEF) and the job does not accept them.
    int Run(const SweepJob& job, const RunOptions& options);
    // Joins the part tables of the folder into frequencies.csv, field.csv and sweep.pvd. 0, or a
    // negative status after one report (a part missing, a table unreadable).
    int Merge(const std::string& folder);

private:
    const char* className = "CSweepRun";
    // Makes the output folder, opens the run's log there and writes field_points.csv. 0, or the
    // failure after one report.
    int OpenOutputFolder(const SweepJob& job, const RunOptions& options, const Model& model) const;
    // Prints the estimate of memory and time for the frequencies to do and refuses a run the
    // memory (`available` bytes, 0: unknown) cannot hold. 0 with the seconds and the bytes of
    // one frequency, or -4 after one report.
    int Estimate(const Model& model, const std::vector<double>& todo, int chiefPoints,
                 int threads, double available, double& perFrequency, double& need) const;
};
