// The sweep program's job file: the keys of the configuration file plus the keys of a sweep, one
// key and its values per line, '%' comment lines, keys in any letter case. Reading it has no side
// effect beyond the one error report of a failure; every error names the file, the line and the
// key.
#pragma once

#include <string>

#include "sweep/SweepJob.h"

namespace jobFile {
// Job files longer than this are refused before they are read.
constexpr long sizeLimit = 16L << 20;
constexpr int frequencyLimit = 100000;
constexpr int chiefPointLimit = 1000;
}  // namespace jobFile

// Reads the job file into `job` and checks that the job is complete and its input files can be
// opened. 0, or a negative status after one report.
int ReadJobFile(const char* fileName, SweepJob& job);
// The same for a job file's text held in memory; `fileName` names it in the reports and relative
// paths are taken relative to its folder. Opens no file but to check the inputs.
int ReadJobText(const std::string& text, const std::string& fileName, SweepJob& job);
