// Reading a job file: a table of the sweep's keys, each with the function that reads its values;
// every other key goes to the configuration keys.
#include "sweep/JobFile.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "base/LogFile.h"
#include "base/File.h"
#include "base/Status.h"
#include "fileio/ConfigKeys.h"
#include "fileio/ExcitationType.h"
#include "fileio/WholeFile.h"

namespace {

// One line being read: where it is, its key and the text after the key.
struct JobLine {
    const std::string& fileName;
    int number;
    const char* key;
    std::string values;
};

// The first failure found on a line; empty while there is none.
using Problem = std::string;

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        std::size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        if (end > i) words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

std::string Upper(std::string word) {
    for (char& c : word) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return word;
}

// A whole word that is a finite number.
bool ParseNumber(const std::string& word, double& value) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(value);
}

bool ParseCount(const std::string& word, long low, long high, long& value) {
    if (word.empty() || word.size() > 18) return false;
    char* end = nullptr;
    value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

// A path relative to the job file's folder, unless it is absolute.
std::string Resolved(const std::string& jobFile, const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    const std::size_t slash = jobFile.rfind('/');
    if (slash == std::string::npos) return path;
    return jobFile.substr(0, slash + 1) + path;
}

Problem ReadPath(const JobLine& line, std::string& target) {
    const std::string path = Trimmed(line.values);
    if (path.empty()) return "a file name is missing";
    target = Resolved(line.fileName, path);
    return "";
}

Problem AddFrequency(double f, SweepJob& job) {
    if (static_cast<long>(job.frequencies.size()) >= CJobFile::frequencyLimit) {
        return "more than " + std::to_string(CJobFile::frequencyLimit) + " frequencies";
    }
    job.frequencies.push_back(f);
    return "";
}

Problem ReadFrequencies(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.empty()) return "no frequency given";
    for (const std::string& word : words) {
        double f = 0.0;
        if (!ParseNumber(word, f) || !(f > 0.0)) {
            return "'" + word + "' is not a frequency above 0";
        }
        Problem problem = AddFrequency(f, job);
        if (!problem.empty()) return problem;
    }
    return "";
}

// The mid-band frequencies of the 1/n-octave bands of the base-ten series, from the band that
// holds start to the band that holds stop: 1000 Hz 10^(3x/(10n)) for odd n and
// 1000 Hz 10^(3(2x+1)/(20n)) for even n, x whole, each band reaching half a step to either side.
Problem AddFractionalOctaves(double start, double stop, long n, SweepJob& job) {
    const double perDecade = 10.0 * static_cast<double>(n) / 3.0;  // steps per decade
    const double offset = n % 2 == 0 ? 0.5 : 0.0;
    // The band index whose mid-band frequency is nearest to f.
    const auto band = [&](double f) {
        return std::floor(perDecade * std::log10(f / 1000.0) - offset + 0.5);
    };
    const double first = band(std::min(start, stop));
    const double last = band(std::max(start, stop));
    for (double x = first; x <= last; x += 1.0) {
        Problem problem = AddFrequency(std::pow(10.0, 3.0 + (x + offset) / perDecade), job);
        if (!problem.empty()) return problem;
    }
    return "";
}

Problem ReadFrequencyRange(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    double start = 0.0;
    double stop = 0.0;
    long count = 0;
    if (words.size() != 4) return "expected: start stop count LIN|LOG, or start stop n OCTAVE";
    if (!ParseNumber(words[0], start) || !(start > 0.0)) return "start is not a frequency above 0";
    if (!ParseNumber(words[1], stop) || !(stop > 0.0)) return "stop is not a frequency above 0";
    if (!ParseCount(words[2], 1, CJobFile::frequencyLimit, count)) {
        return "count is not a whole number from 1 to " + std::to_string(CJobFile::frequencyLimit);
    }
    const std::string spacing = Upper(words[3]);
    if (spacing == "OCTAVE") return AddFractionalOctaves(start, stop, count, job);
    if (spacing != "LIN" && spacing != "LOG") return "the spacing is neither LIN, LOG nor OCTAVE";
    for (long i = 0; i < count; ++i) {
        const double t = count == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(count - 1);
        double f =
            spacing == "LIN" ? start + (stop - start) * t : start * std::pow(stop / start, t);
        if (i == count - 1) f = stop;  // the end point exactly as written
        if (count == 1) f = start;
        Problem problem = AddFrequency(f, job);
        if (!problem.empty()) return problem;
    }
    return "";
}

Problem ReadSurface(const JobLine& line, SweepJob& job) { return ReadPath(line, job.surfaceFile); }
Problem ReadRegions(const JobLine& line, SweepJob& job) { return ReadPath(line, job.regionsFile); }
// What the BOUNDARY, EXCITATION and INCIDENT lines set: the last case opened, or before the
// first CASE line the job's own conditions, which every case starts from.
struct Conditions {
    std::string& excitationFile;
    std::vector<BoundaryCondition>& boundaries;
    CIncidentField& incident;
};
Conditions ConditionsOf(SweepJob& job) {
    if (job.cases.empty()) return {job.excitationFile, job.boundaries, job.incident};
    LoadCase& last = job.cases.back();
    return {last.excitationFile, last.boundaries, last.incident};
}

Problem ReadExcitation(const JobLine& line, SweepJob& job) {
    return ReadPath(line, ConditionsOf(job).excitationFile);
}

Problem ReadCase(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.size() != 1) return "expected: a case name (one word)";
    LoadCase loadCase;
    loadCase.name = words[0];
    loadCase.line = line.number;
    job.cases.push_back(std::move(loadCase));
    return "";
}

Problem ReadCombine(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.size() < 4 || (words.size() - 1) % 3 != 0)
        return "expected: name case weight_re weight_im [case weight_re weight_im ...]";
    CaseCombination combination;
    combination.name = words[0];
    combination.line = line.number;
    for (std::size_t i = 1; i < words.size(); i += 3) {
        Complex weight{0.0, 0.0};
        if (!ParseNumber(words[i + 1], weight.re) || !ParseNumber(words[i + 2], weight.im))
            return "the weight of '" + words[i] + "' is not two numbers";
        combination.cases.push_back(words[i]);
        combination.weights.push_back(weight);
    }
    job.combinations.push_back(std::move(combination));
    return "";
}
Problem ReadWriteExcitation(const JobLine& line, SweepJob& job) {
    return ReadPath(line, job.writeExcitation);
}
bool CanOpen(const std::string& path) { return static_cast<bool>(OpenFile(path.c_str(), "rb")); }

// Several lines add up; each file is checked on its own line.
Problem ReadFieldPoints(const JobLine& line, SweepJob& job) {
    std::string path;
    Problem problem = ReadPath(line, path);
    if (problem.empty() && !CanOpen(path)) problem = "cannot open " + path;
    if (problem.empty()) job.fieldPointsFiles.push_back(path);
    return problem;
}
Problem ReadRules(const JobLine& line, SweepJob& job) { return ReadPath(line, job.rulesFile); }
Problem ReadOutput(const JobLine& line, SweepJob& job) {
    return ReadPath(line, job.outputDirectory);
}

Problem ReadBoundary(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.size() != 4) return "expected: region V|P|Z|Y re im";
    BoundaryCondition condition;
    condition.region = words[0];
    condition.line = line.number;
    const std::string type = Upper(words[1]);
    if (type.size() != 1 || ExcitationTypeOfLetter(type[0]) < 0) {
        return "the type '" + words[1] + "' is none of V, P, Z, Y";
    }
    condition.type = ExcitationTypeOfLetter(type[0]);
    if (!ParseNumber(words[2], condition.value.re) || !ParseNumber(words[3], condition.value.im)) {
        return "the value is not two numbers";
    }
    if (Upper(condition.region) == "ALL") condition.region = "ALL";
    ConditionsOf(job).boundaries.push_back(condition);
    return "";
}

Problem ReadChief(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    const std::string limit = std::to_string(CJobFile::chiefPointLimit);
    long count = 0;
    if (words.empty() || words.size() > 2) return "expected: AUTO [n], OFF or n";
    const std::string mode = Upper(words[0]);
    if (mode == "OFF" && words.size() == 1) {
        job.chief = ChiefMode::off;
    } else if (mode == "AUTO") {
        job.chief = ChiefMode::automatic;
        if (words.size() == 2) {
            if (!ParseCount(words[1], 1, CJobFile::chiefPointLimit, count)) {
                return "the number of points is not from 1 to " + limit;
            }
            job.chiefPoints = static_cast<int>(count);
        }
    } else if (words.size() == 1 && ParseCount(words[0], 1, CJobFile::chiefPointLimit, count)) {
        job.chief = ChiefMode::always;
        job.chiefPoints = static_cast<int>(count);
    } else {
        return "expected AUTO [n], OFF or a number of points from 1 to " + limit;
    }
    return "";
}

Problem ReadDirection(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.size() != 1 || (words[0] != "OUT" && words[0] != "IN")) return "expected OUT or IN";
    job.direction = words[0];
    return "";
}

Problem ReadResidualLimit(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    double limit = 0.0;
    if (words.size() != 1 || !ParseNumber(words[0], limit) || !(limit > 0.0)) {
        return "expected one number above 0";
    }
    job.residualLimit = limit;
    return "";
}

Problem ReadSolver(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    const std::string mode = words.size() == 1 ? Upper(words[0]) : std::string();
    if (mode == "AUTO") {
        job.solver = SolverMode::automatic;
    } else if (mode == "DENSE") {
        job.solver = SolverMode::dense;
    } else if (mode == "COMPRESSED") {
        job.solver = SolverMode::compressed;
    } else {
        return "expected AUTO, DENSE or COMPRESSED";
    }
    return "";
}

Problem ReadSolverTolerance(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    double tolerance = 0.0;
    if (words.size() != 1 || !ParseNumber(words[0], tolerance) || !(tolerance > 0.0) ||
        !(tolerance < 1.0)) {
        return "expected one number above 0 and below 1";
    }
    job.solverTolerance = tolerance;
    return "";
}

Problem ReadIncident(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.size() != 6) {
        return "expected: PLANE amplitude_re amplitude_im dx dy dz, or POINT amplitude_re "
               "amplitude_im x y z";
    }
    const std::string kind = Upper(words[0]);
    if (kind != "PLANE" && kind != "POINT")
        return "the kind '" + words[0] + "' is neither PLANE nor POINT";
    double numbers[5];
    for (int i = 0; i < 5; ++i) {
        if (!ParseNumber(words[static_cast<std::size_t>(i) + 1], numbers[i])) {
            return "'" + words[static_cast<std::size_t>(i) + 1] + "' is not a number";
        }
    }
    const Complex amplitude{numbers[0], numbers[1]};
    const Vector3 where{numbers[2], numbers[3], numbers[4]};
    if (kind == "POINT") {
        ConditionsOf(job).incident.AddPointSource(amplitude, where);
        return "";
    }
    // Checked here, so that adding the wave cannot fail.
    if (!CIncidentField::UsableDirection(where)) return "the direction is zero or too long";
    ConditionsOf(job).incident.AddPlaneWave(amplitude, where);
    return "";
}

// What the user means: ACCEPT SIZE, ACCEPT SIDE (mistakes caught before the first frequency),
// ACCEPT UNTRUSTED (frequencies that stay untrusted), or several on one line.
Problem ReadAccept(const JobLine& line, SweepJob& job) {
    const std::vector<std::string> words = Words(line.values);
    if (words.empty()) return "expected SIZE, SIDE, UNTRUSTED or several of them";
    for (const std::string& word : words) {
        const std::string what = Upper(word);
        if (what == "SIZE") {
            job.acceptSize = true;
        } else if (what == "SIDE") {
            job.acceptSide = true;
        } else if (what == "UNTRUSTED") {
            job.acceptUntrusted = true;
        } else {
            return "'" + word + "' is none of SIZE, SIDE and UNTRUSTED";
        }
    }
    return "";
}

struct JobKey {
    const char* name;
    Problem (*read)(const JobLine&, SweepJob&);
};

// The sweep's own keys. A new key is one more entry and its function.
const JobKey jobKeys[] = {
    {"SURFACE", ReadSurface},
    {"REGIONS", ReadRegions},
    {"FREQUENCIES", ReadFrequencies},
    {"FREQUENCY_RANGE", ReadFrequencyRange},
    {"EXCITATION", ReadExcitation},
    {"BOUNDARY", ReadBoundary},
    {"CASE", ReadCase},
    {"COMBINE", ReadCombine},
    {"WRITE_EXCITATION", ReadWriteExcitation},
    {"FIELD_POINTS", ReadFieldPoints},
    {"CHIEF", ReadChief},
    {"DIRECTION", ReadDirection},
    {"RESIDUAL_LIMIT", ReadResidualLimit},
    {"ACCEPT", ReadAccept},
    {"OUTPUT", ReadOutput},
    {"RULES", ReadRules},
    {"INCIDENT", ReadIncident},
    {"SOLVER", ReadSolver},
    {"SOLVER_TOLERANCE", ReadSolverTolerance},
};

Problem ReadConfigLine(const JobLine& line, SweepJob& job) {
    switch (ApplyConfigKey(line.key, line.values.c_str(), job.config)) {
        case ConfigKeyResult::stored:
            if (std::strcmp(line.key, "DIVISION") == 0) job.divisionGiven = true;
            return "";
        case ConfigKeyResult::missingValue: return "a value is missing or not a number";
        case ConfigKeyResult::invalidValue: return "a value is out of range";
        default: return "unknown key";
    }
}

}  // namespace

int CJobFile::Read(const char* fileName, SweepJob& job) {
    std::string text;
    const int status = ReadWholeFile(className, "ReadJobFile", fileName, sizeLimit, text);
    if (status < 0) return status;
    return ReadText(text, fileName, job);
}

namespace {

// What is wrong with a job, where: the line (0: the job as a whole) and the key; no text: nothing.
struct JobProblem {
    int line = 0;
    std::string key;
    std::string text;
};

using KeyLines = std::map<std::string, int>;  // the last line of every key

// Reads the lines of the job text into `job`, and the line of every key into keyLines.
JobProblem ReadLines(const std::string& text, const std::string& fileName, SweepJob& job,
                     KeyLines& keyLines) {
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string lineText = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!lineText.empty() && lineText[0] == '%') continue;
        if (Trimmed(lineText).empty()) continue;
        if (lineText.find('\0') != std::string::npos) return {number, "", "a NUL character"};

        char key[configWordSize];
        const char* rest = NextConfigWord(lineText.c_str(), key);
        if (rest == nullptr) return {number, "", "the key is longer than 31 characters"};
        UpperCaseKey(key);
        const JobLine line{fileName, number, key, rest};
        Problem problem = "unknown key";
        bool found = false;
        for (const JobKey& entry : jobKeys) {
            if (std::strcmp(entry.name, key) == 0) {
                problem = entry.read(line, job);
                found = true;
                break;
            }
        }
        if (!found) problem = ReadConfigLine(line, job);
        if (!problem.empty()) return {number, key, problem};
        keyLines[key] = number;
    }
    return {};
}

// The job as a whole: complete, its keys consistent, its input files there.
// Every case starts from the job's own conditions: its BOUNDARY lines come after them, its
// sources beside them, and without an EXCITATION line of its own it takes the job's.
void GiveCasesTheJobsConditions(SweepJob& job) {
    if (job.cases.empty()) return;
    for (LoadCase& loadCase : job.cases) {
        loadCase.boundaries.insert(loadCase.boundaries.begin(), job.boundaries.begin(),
                                   job.boundaries.end());
        if (loadCase.excitationFile.empty()) loadCase.excitationFile = job.excitationFile;
        CIncidentField incident = job.incident;
        for (const PlaneWave& wave : loadCase.incident.PlaneWaves())
            incident.AddPlaneWave(wave.amplitude, wave.direction);
        for (const PointSource& source : loadCase.incident.PointSources())
            incident.AddPointSource(source.amplitude, source.position);
        loadCase.incident = incident;
    }
    job.boundaries.clear();
    job.excitationFile.clear();
    job.incident = CIncidentField{};
}

// The conditions of one case (of the job, without cases): an excitation file or BOUNDARY
// lines, their regions given.
JobProblem CheckConditions(const SweepJob& job, const std::string& excitationFile,
                           const std::vector<BoundaryCondition>& boundaries,
                           const LoadCase* loadCase, int excitationLine) {
    const std::string which = loadCase != nullptr ? "CASE " + loadCase->name + ": " : "";
    const int line = loadCase != nullptr ? loadCase->line : 0;
    if (excitationFile.empty() && boundaries.empty()) {
        return {line, loadCase != nullptr ? "CASE" : "EXCITATION",
                which + "neither an excitation file nor BOUNDARY lines given"};
    }
    if (!excitationFile.empty() && !boundaries.empty()) {
        return {excitationLine, "EXCITATION",
                which + "an excitation file and BOUNDARY lines: give one of them"};
    }
    for (const BoundaryCondition& condition : boundaries) {
        if (condition.region != "ALL" && job.regionsFile.empty()) {
            return {condition.line, "BOUNDARY",
                    "region '" + condition.region + "' but no REGIONS file given"};
        }
    }
    if (!excitationFile.empty() && !CanOpen(excitationFile))
        return {excitationLine, "EXCITATION", "cannot open " + excitationFile};
    return {};
}

JobProblem CheckJob(const SweepJob& job, const KeyLines& keyLines) {
    const auto lineOf = [&](const char* key) {
        const auto found = keyLines.find(key);
        return found == keyLines.end() ? 0 : found->second;
    };
    if (job.surfaceFile.empty()) return {0, "SURFACE", "no surface file given"};
    if (job.outputDirectory.empty()) return {0, "OUTPUT", "no output folder given"};
    if (job.frequencies.empty()) return {0, "FREQUENCIES", "no frequency given"};
    if (job.cases.empty() && !job.combinations.empty())
        return {job.combinations.front().line, "COMBINE", "no CASE to combine"};
    JobProblem problem;
    bool derived = job.cases.empty() ? !job.boundaries.empty() : true;
    if (job.cases.empty()) {
        problem = CheckConditions(job, job.excitationFile, job.boundaries, nullptr,
                                  lineOf("EXCITATION"));
    }
    for (const LoadCase& loadCase : job.cases) {
        if (!problem.text.empty()) break;
        problem = CheckConditions(job, loadCase.excitationFile, loadCase.boundaries, &loadCase,
                                  lineOf("EXCITATION"));
        derived = derived && !loadCase.boundaries.empty();
    }
    if (!problem.text.empty()) return problem;
    if (!job.writeExcitation.empty() && !derived) {
        return {lineOf("WRITE_EXCITATION"), "WRITE_EXCITATION",
                "needs BOUNDARY lines to derive the excitation from"};
    }
    const std::pair<const char*, const std::string*> inputs[] = {
        {"SURFACE", &job.surfaceFile},
        {"REGIONS", &job.regionsFile},
        {"RULES", &job.rulesFile},
    };
    for (const auto& input : inputs) {
        if (!input.second->empty() && !CanOpen(*input.second)) {
            return {lineOf(input.first), input.first, "cannot open " + *input.second};
        }
    }

    return {};
}

}  // namespace

int CJobFile::ReadText(const std::string& text, const std::string& fileName, SweepJob& job) {
    job = SweepJob{};
    job.jobFile = fileName;
    KeyLines keyLines;
    JobProblem problem = ReadLines(text, fileName, job, keyLines);
    if (problem.text.empty()) {
        GiveCasesTheJobsConditions(job);
        problem = CheckJob(job, keyLines);
    }
    if (!problem.text.empty()) {
        std::string comment = fileName;
        if (problem.line > 0) comment += " line " + std::to_string(problem.line);
        if (!problem.key.empty()) comment += ", " + problem.key;
        comment += ": " + problem.text;
        logFile.ReportError(className, "ReadJobFile", Message::badInputFile, comment.c_str());
        job = SweepJob{};
        return Status::badInputFile;
    }
    std::sort(job.frequencies.begin(), job.frequencies.end());
    job.frequencies.erase(std::unique(job.frequencies.begin(), job.frequencies.end()),
                          job.frequencies.end());
    return Status::ok;
}
