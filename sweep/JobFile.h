// The sweep program's job file: the keys of the configuration file plus the keys of a sweep, one
// key and its values per line, '%' comment lines, keys in any letter case. Reading it has no side
// effect beyond the one error report of a failure; every error names the file, the line and the
// key.
#pragma once

#include <string>

#include "sweep/SweepJob.h"

class CJobFile {
public:
    // Reads the job file into `job` and checks that the job is complete and its input files can
    // be opened. 0, or a negative status after one report.
    int Read(const char* fileName, SweepJob& job);
    // The same for a job file's text held in memory; `fileName` names it in the reports and
    // relative paths are taken relative to its folder. Opens no file but to check the inputs.
    int ReadText(const std::string& text, const std::string& fileName, SweepJob& job);

    // Job files longer than this are refused before they are read.
    static constexpr long sizeLimit = 16L << 20;
    static constexpr int frequencyLimit = 100000;
    static constexpr int chiefPointLimit = 1000;

private:
    const char* className = "CJobFile";
};
