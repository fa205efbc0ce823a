#include "sweep/SweepRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "frequency/CompressedEstimate.h"
#include "frequency/DenseEstimate.h"
#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "frequency/ModelChecks.h"
#include "sweep/SweepOutput.h"

namespace fs = std::filesystem;

namespace {

void Print(const std::string& text) { logFile.Print(text.c_str(), 1); }

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Duration(double seconds) {
    if (seconds < 100.0) return Format("%.1f s", seconds);
    if (seconds < 6000.0) return Format("%.1f min", seconds / 60.0);
    return Format("%.1f h", seconds / 3600.0);
}

// The memory the system can still give, from /proc/meminfo; 0 when unknown.
double AvailableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    double kilobytes = 0.0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") return kilobytes * 1024.0;
    }
    return 0.0;
}

struct Table {
    std::map<std::string, std::string> frequencyRows;  // by the frequency's text
    std::map<std::string, std::string> fieldRows;
};

std::vector<std::string> Lines(const std::string& fileName) {
    std::vector<std::string> lines;
    std::ifstream in(fileName);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 4096) break;  // no table line is that long
        lines.push_back(line);
    }
    return lines;
}

// Reads the rows of a run's tables back, keyed by the frequency text of their first column.
bool ReadTables(const std::string& frequencies, const std::string& field, Table& table) {
    const std::vector<std::string> rows = Lines(frequencies);
    if (rows.empty() || rows[0] != output::frequencyHeader) return false;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::size_t comma = rows[i].find(',');
        if (comma == std::string::npos || comma == 0) return false;
        table.frequencyRows[rows[i].substr(0, comma)] += rows[i] + "\n";  // a row per case
    }
    const std::vector<std::string> fieldRows = Lines(field);
    if (fieldRows.empty()) return true;
    if (fieldRows[0] != output::fieldHeader) return false;
    for (std::size_t i = 1; i < fieldRows.size(); ++i) {
        const std::size_t comma = fieldRows[i].find(',');
        if (comma == std::string::npos || comma == 0) return false;
        table.fieldRows[fieldRows[i].substr(0, comma)] += fieldRows[i] + "\n";
    }
    return true;
}

double RowFrequency(const std::string& row) {
    try {
        return std::stod(row.substr(0, row.find(',')));
    } catch (...) {
        return 0.0;
    }
}

int WriteTables(const std::string& folder, const std::string& frequencyFile,
                const std::string& fieldFile, const Table& table, bool withField, bool collection) {
    // Rows in ascending frequency.
    std::vector<std::pair<double, std::string>> order;
    for (const auto& row : table.frequencyRows)
        order.emplace_back(RowFrequency(row.second), row.first);
    std::sort(order.begin(), order.end());
    std::string frequencies = std::string(output::frequencyHeader) + "\n";
    std::string field = std::string(output::fieldHeader) + "\n";
    std::vector<double> solved;
    for (const auto& entry : order) {
        const std::string& row = table.frequencyRows.at(entry.second);
        frequencies += row;
        const auto found = table.fieldRows.find(entry.second);
        if (found != table.fieldRows.end()) field += found->second;
        if (output::RowStatus(row) == 0) solved.push_back(entry.first);
    }
    int status = output::WriteTextFile(folder + "/" + frequencyFile, frequencies);
    if (status == 0 && withField) status = output::WriteTextFile(folder + "/" + fieldFile, field);
    if (status == 0 && collection) {
        status =
            output::WriteTextFile(folder + "/sweep.pvd", output::Collection(solved, withField));
    }
    return status;
}

// The console line that shows the progress; on a terminal it is rewritten in place.
class CProgress {
public:
    CProgress(int total) : count(total), terminal(isatty(fileno(stdout)) != 0) {}
    void Before(int index, double frequency, double secondsLeft) {
        if (!terminal) return;
        std::string line = "\r" + std::to_string(index + 1) + " of " + std::to_string(count) +
                           ": " + output::FrequencyText(frequency) + " Hz";
        if (secondsLeft >= 0.0) line += ", about " + Duration(secondsLeft) + " left";
        logFile.Print((line + "   ").c_str(), 0);
    }
    void Clear() {
        if (terminal)
            logFile.Print("\r                                                            \r", 0);
    }

private:
    int count;
    bool terminal;
};

// The names of the results of every frequency, as the case column holds them: the load cases,
// then the combinations; one empty name for a model without cases.
std::vector<std::string> CaseNames(const Model& model) {
    std::vector<std::string> names;
    for (const ModelCase& loadCase : model.cases) names.push_back(loadCase.name);
    for (const ModelCombination& combination : model.combinations)
        names.push_back(combination.name);
    return names;
}

// Takes the part's frequencies that are not done yet into todo, keeps the rows of those done
// and drops the rows of frequencies no longer in the job. A frequency is done when every case
// of the job has its row with status 0, in the job's order, and its surface result file.
// Returns the number already done.
int SelectFrequencies(const SweepJob& job, const std::vector<std::string>& cases,
                      const RunOptions& options, Table& table, std::vector<double>& todo) {
    int skipped = 0;
    for (std::size_t i = static_cast<std::size_t>(options.part - 1); i < job.frequencies.size();
         i += static_cast<std::size_t>(options.parts)) {
        const double f = job.frequencies[i];
        const std::string key = output::FrequencyText(f);
        const auto done = table.frequencyRows.find(key);
        bool filesThere = true;
        for (const std::string& name : cases) {
            filesThere = filesThere && fs::exists(job.outputDirectory + "/" +
                                                  output::FrequencyFile("surface", f, "res", name));
        }
        if (done != table.frequencyRows.end() && output::RowStatus(done->second) == 0 &&
            output::RowCases(done->second) == cases && filesThere) {
            ++skipped;
            continue;
        }
        table.frequencyRows.erase(key);
        table.fieldRows.erase(key);
        todo.push_back(f);
    }
    std::set<std::string> inJob;
    for (double f : job.frequencies) inJob.insert(output::FrequencyText(f));
    for (auto it = table.frequencyRows.begin(); it != table.frequencyRows.end();) {
        if (inJob.count(it->first) != 0) {
            ++it;
        } else {
            table.fieldRows.erase(it->first);
            it = table.frequencyRows.erase(it);
        }
    }
    return skipped;
}

// What the console line of a frequency says about one case's solution.
std::string CaseText(const FrequencyResult& result) {
    std::string line;
    if (result.status < 0) {
        line += ", FAILED with status " + std::to_string(result.status);
    } else {
        if (std::isnan(result.firstResidual)) {
            line += ", not checked";
        } else {
            line += ", residual " + Format("%.2e", result.firstResidual);
        }
        if (result.nearResonance) line += " (near an interior resonance)";
        if (result.chiefPoints > 0) {
            line += ", CHIEF " + std::to_string(result.chiefPoints) + " points: residual " +
                    Format("%.2e", result.residual);
        } else if (result.triedChiefPoints > 0) {
            line += ", CHIEF " + std::to_string(result.triedChiefPoints) + " points: residual " +
                    Format("%.2e", result.chiefResidual) + ", no clear gain: direct solution kept";
        }
        if (!result.trusted) line += ", untrusted";
    }
    if (result.compressed) {
        line += ", compressed: " + std::to_string(result.iterations) + " iterations, " +
                Format("%.0f", result.compressedBytes / 1e6) + " MB, largest rank " +
                std::to_string(result.largestRank);
    }
    return line;
}

// The console line of frequency i of count once it is done: of its one case, or of every case
// with the factorisations they took.
std::string FrequencyLine(std::size_t i, std::size_t count,
                          const std::vector<FrequencyResult>& results) {
    const FrequencyResult& result = results.front();
    std::string line = std::to_string(i + 1) + " of " + std::to_string(count) + ": " +
                       output::FrequencyText(result.frequency) + " Hz, ka " +
                       Format("%.4g", result.ka);
    if (result.caseName.empty()) {
        line += CaseText(result);
    } else {
        line += ", " + std::to_string(results.size()) + " cases, " +
                std::to_string(result.factorisations) +
                (result.factorisations == 1 ? " factorisation" : " factorisations");
        for (const FrequencyResult& one : results) line += "; " + one.caseName + CaseText(one);
    }
    line += ", " + Format("%.2f", result.seconds) + " s";
    if (result.elementsPerWavelength < elementsPerWavelengthLeast) {
        line += "; Warning: " + Format("%.2g", result.elementsPerWavelength) +
                " elements per wavelength, fewer than " +
                Format("%g", elementsPerWavelengthLeast) + ": the mesh is too coarse";
    }
    return line + "\n";
}


// How the frequencies share the threads: atOnce solved side by side, each on `threads`.
struct SideBySide {
    int atOnce = 1;
    int threads = 1;
};

// The frequencies solved side by side: `requested` when given, else one per thread for the
// compressed solver, whose Krylov steps run on one thread, and one for the dense solver, whose
// rows and LU keep every thread busy; never more than the threads, the frequencies, or what
// the memory holds at `need` bytes a frequency (available 0: unknown).
SideBySide ChooseSideBySide(bool compressed, int requested, int threads, double need,
                            double available, std::size_t frequencies) {
    std::size_t atOnce = requested > 0 ? static_cast<std::size_t>(requested)
                         : compressed  ? static_cast<std::size_t>(threads)
                                       : 1;
    atOnce = std::min({atOnce, static_cast<std::size_t>(threads), frequencies});
    if (available > 0.0 && need > 0.0)
        atOnce = std::min(atOnce, static_cast<std::size_t>(available / need));
    SideBySide chosen;
    chosen.atOnce = static_cast<int>(std::max<std::size_t>(atOnce, 1));
    chosen.threads = std::max(1, threads / chosen.atOnce);
    return chosen;
}

// One frequency as the sweep solved it: the result (its files written when it succeeded) and
// the console text of the library meanwhile.
struct SolvedFrequency {
    std::vector<FrequencyResult> results;  // of its cases and combinations
    int status = 0;
    std::string text;
};

// Solves todo[first, first + count) side by side, each frequency by one call of the frequency
// solve on its share of the threads, and writes its files; the results in frequency order.
// Every frequency's numbers are those of a run one at a time: the solve gives the same for
// every thread count.
std::vector<SolvedFrequency> SolveSideBySide(const Model& model, const SweepJob& job,
                                             const std::vector<double>& todo, std::size_t first,
                                             int count, int threads) {
    std::vector<SolvedFrequency> solved(static_cast<std::size_t>(count));
    ForEachPiece(count, count, [&](int piece, int) {
        SolvedFrequency& one = solved[static_cast<std::size_t>(piece)];
        FrequencyOptions options;
        options.threads = std::max(1, BlockStart(threads, count, piece + 1) -
                                          BlockStart(threads, count, piece));
        const double frequency = todo[first + static_cast<std::size_t>(piece)];
        // The library's own progress lines stay off the console; a failure's report is shown.
        ConsoleCapture capture;
        int status = CFrequencySolver().SolveCases(model, frequency, options, one.results);
        if (status == 0)
            status = output::WriteFrequencyFiles(job.outputDirectory, model, job, one.results);
        // A frequency whose files are not all written has failed in every case.
        for (FrequencyResult& result : one.results) {
            if (result.status == 0) result.status = status;
        }
        one.status = status;
        one.text = std::move(capture.text);
    });
    return solved;
}

// One excitation file per load case: excitation_woofer.xct for WRITE_EXCITATION excitation.xct
// (without cases the name as given). 0, or the failure after one report.
int WriteCaseExcitations(const SweepJob& job, const Model& model) {
    for (std::size_t c = 0; !job.writeExcitation.empty() && c < model.cases.size(); ++c) {
        std::string file = job.writeExcitation;
        const std::string& name = model.cases[c].name;
        if (!name.empty()) {
            const std::size_t dot = file.rfind('.');
            const bool extension =
                dot != std::string::npos && file.find('/', dot) == std::string::npos;
            file =
                extension ? file.substr(0, dot) + "_" + name + file.substr(dot) : file + "_" + name;
        }
        const int status =
            output::WriteExcitation(file, model.cases[c].excitation,
                                    "Excitation derived from " + job.jobFile + " by kavoral-sweep");
        if (status < 0) return status;
        Print("Excitation written to " + file + "\n");
    }
    return Status::ok;
}

// Names the frequencies of the table that stay untrusted. Status::untrusted when there are
// any and the job does not accept them, else 0.
int UntrustedSummary(const SweepJob& job, const Table& table) {
    // Over the whole table: resumed frequencies count as well.
    std::vector<std::pair<double, std::string>> untrustedRows;
    for (const auto& row : table.frequencyRows) {
        if (output::RowStatus(row.second) == 0 && output::RowUntrusted(row.second))
            untrustedRows.emplace_back(RowFrequency(row.second), row.first);
    }
    std::sort(untrustedRows.begin(), untrustedRows.end());
    const int untrustedCount = static_cast<int>(untrustedRows.size());
    std::string untrusted;
    for (int i = 0; i < std::min(untrustedCount, 10); ++i)
        untrusted += (i == 0 ? "" : ", ") + untrustedRows[static_cast<std::size_t>(i)].second;
    if (untrustedCount > 0) {
        Print(std::string(job.acceptUntrusted ? "Warning: " : "") + std::to_string(untrustedCount) +
              (untrustedCount == 1 ? " frequency untrusted: its residual stays above "
                                   : " frequencies untrusted: their residual stays above ") +
              Format("%g", job.residualLimit) +
              (job.chief == ChiefMode::off ? "" : " after CHIEF") + " (" + untrusted +
              (untrustedCount > 10 ? ", ..." : "") + " Hz)" +
              (job.acceptUntrusted ? ", accepted by ACCEPT UNTRUSTED\n" : "\n"));
        if (!job.acceptUntrusted) return Status::untrusted;
    }
    return Status::ok;
}

}  // namespace

std::string TableName(const std::string& table, int part, int parts) {
    if (parts <= 1) return table + ".csv";
    return table + ".part" + std::to_string(part) + "of" + std::to_string(parts) + ".csv";
}

std::string LogName(int part, int parts) {
    const std::string table = TableName("sweep", part, parts);
    return table.substr(0, table.size() - 4) + ".log";
}

int CSweepRun::Estimate(const Model& model, const std::vector<double>& todo, int m, int threads,
                        double available, double& perFrequency, double& need) const {
    need = 0.0;
    perFrequency = 0.0;
    const std::string onThreads =
        " per frequency on " + std::to_string(threads) + (threads == 1 ? " thread" : " threads");
    std::string line;
    std::string resolve;
    if (model.compressed) {
        // From the partition of the matrices and a probe of their blocks at the highest
        // frequency, where the ranks are largest.
        need = CompressedMemoryNeed(model, m);
        perFrequency = todo.empty() ? 0.0 : CompressedSeconds(model, todo.back(), threads);
        line = std::to_string(model.pointCount) + " points, compressed: about " +
               Format("%.0f", need / 1e6) + " MB in all, about ";
    } else {
        // The rows cost the same at every frequency but for the exponential of a lossy medium;
        // the highest frequency is probed.
        const DenseEstimate dense =
            EstimateDense(model, todo.empty() ? 1.0 : todo.back(), m, threads);
        need = dense.bytes;
        perFrequency = model.chief == ChiefMode::always && m > 0 ? dense.chiefSeconds
                                                                 : dense.directSeconds;
        if (model.chief == ChiefMode::automatic && m > 0)
            resolve = ", and " + Duration(dense.resolveSeconds) +
                      " more for each one solved again with CHIEF points";
        line = std::to_string(model.pointCount) + " points: " +
               Format("%.0f", 16.0 * model.pointCount * model.pointCount / 1e6) +
               " MB per matrix, " + Format("%.0f", need / 1e6) + " MB in all, about ";
    }
    Print(line + Duration(perFrequency) + onThreads + ", " +
          Duration(perFrequency * static_cast<double>(todo.size())) + " for the " +
          std::to_string(todo.size()) + (todo.size() == 1 ? " frequency" : " frequencies") +
          resolve + "\n");
    if (available > 0.0 && need > available) {
        const std::string comment = Format("%.0f", need / 1e6) + " MB needed, " +
                                    Format("%.0f", available / 1e6) + " MB available";
        logFile.ReportError(className, "Run", Message::noMemory, comment.c_str());
        return Status::noMemory;
    }
    return Status::ok;
}

int CSweepRun::OpenOutputFolder(const SweepJob& job, const RunOptions& options,
                                const Model& model) const {
    std::error_code error;
    fs::create_directories(job.outputDirectory, error);
    if (!fs::is_directory(job.outputDirectory)) {
        logFile.ReportError(className, "Run", Message::openError, job.outputDirectory.c_str());
        return Status::openError;
    }
    // The log holds what was printed for the log since the program started.
    int status =
        logFile.Open((job.outputDirectory + "/" + LogName(options.part, options.parts)).c_str());
    if (status < 0) return status;
    if (!model.fieldPoints.empty()) {
        status = output::WriteTextFile(job.outputDirectory + "/field_points.csv",
                                       std::string(output::fieldPointHeader) + "\n" +
                                           output::FieldPointRows(model, job.fieldPointsFiles));
        if (status < 0) return status;
    }
    return Status::ok;
}

int CSweepRun::Run(const SweepJob& job, const RunOptions& options) {
    Model model;
    int status = PrepareModel(job, model);
    if (status < 0) return status;
    status = WriteCaseExcitations(job, model);
    if (status < 0) return status;

    status = OpenOutputFolder(job, options, model);
    if (status < 0) return status;

    // The frequencies of this run, and those already done when resuming.
    const std::string frequencyFile = TableName("frequencies", options.part, options.parts);
    const std::string fieldFile = TableName("field", options.part, options.parts);
    const bool withField = !model.fieldPoints.empty();
    Table table;
    if (options.resume) {
        ReadTables(job.outputDirectory + "/" + frequencyFile, job.outputDirectory + "/" + fieldFile,
                   table);
    }
    std::vector<double> todo;
    const int skipped = SelectFrequencies(job, CaseNames(model), options, table, todo);

    // The CHIEF points grow with ka: the highest frequency takes the most.
    const double highestKa =
        todo.empty() ? 0.0
                     : model.generator->WaveNumber(AngularFrequency(todo.back())).re * model.radius;
    const int m = job.chief == ChiefMode::off || !model.interiorChecked
                      ? 0
                      : ChiefCount(model, highestKa);
    const int threads = ResolveThreadCount(job.config.threads);
    const double available =
        options.availableMemory > 0.0 ? options.availableMemory : AvailableMemory();
    double perFrequency = 0.0;
    double need = 0.0;
    status = Estimate(model, todo, m, threads, available, perFrequency, need);
    if (status < 0) return status;
    const SideBySide sideBySide =
        ChooseSideBySide(model.compressed, options.atOnce, threads, need, available, todo.size());
    Print(std::to_string(todo.size()) + " of " + std::to_string(job.frequencies.size()) +
          " frequencies to solve" +
          (skipped > 0 ? ", " + std::to_string(skipped) + " already done" : std::string()) +
          (sideBySide.atOnce > 1 ? ", " + std::to_string(sideBySide.atOnce) + " at once" +
                                       (sideBySide.threads == 1 ? " on 1 thread each"
                                                                : " on " +
                                                                      std::to_string(
                                                                          sideBySide.threads) +
                                                                      " threads each")
                                 : std::string()) +
          "\n");

    CProgress progress(static_cast<int>(todo.size()));
    int firstFailure = Status::ok;
    int marked = 0;
    const auto started = std::chrono::steady_clock::now();
    const bool collection = options.parts <= 1;
    const std::size_t batch = static_cast<std::size_t>(sideBySide.atOnce);
    for (std::size_t first = 0; first < todo.size(); first += batch) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double secondsLeft = first == 0 ? perFrequency * todo.size()
                                              : elapsed / first * (todo.size() - first);
        progress.Before(static_cast<int>(first), todo[first], secondsLeft);
        std::vector<SolvedFrequency> solved = SolveSideBySide(
            model, job, todo, first, static_cast<int>(std::min(batch, todo.size() - first)),
            threads);
        progress.Clear();
        for (std::size_t s = 0; s < solved.size(); ++s) {
            const std::vector<FrequencyResult>& results = solved[s].results;
            if (solved[s].status < 0) {
                const std::size_t report = solved[s].text.find("\n######## ERROR");
                if (report != std::string::npos)
                    logFile.Print(solved[s].text.c_str() + report, 0);
                if (firstFailure == 0) firstFailure = solved[s].status;
            }
            bool nearResonance = false;
            for (const FrequencyResult& result : results)
                nearResonance = nearResonance || result.nearResonance;
            if (nearResonance) ++marked;
            Print(FrequencyLine(first + s, todo.size(), results));
            logFile.Flush();  // a reader of the console or the log sees every frequency when done
            const std::string key = output::FrequencyText(results.front().frequency);
            table.frequencyRows[key].clear();
            table.fieldRows[key].clear();
            for (const FrequencyResult& result : results) {
                table.frequencyRows[key] += output::FrequencyRow(result, model.pointCount);
                table.fieldRows[key] +=
                    output::FieldRows(result, model.fieldPoints, result.incidentField);
            }
        }
        const int written = WriteTables(job.outputDirectory, frequencyFile, fieldFile, table,
                                        withField, collection);
        if (written < 0 && firstFailure == 0) firstFailure = written;
    }
    if (todo.empty()) {
        const int written = WriteTables(job.outputDirectory, frequencyFile, fieldFile, table,
                                        withField, collection);
        if (written < 0) return written;
    }
    if (marked > 0) {
        Print(std::to_string(marked) +
              (marked == 1 ? " frequency" : " frequencies") +
              " near an interior resonance (residual above " +
              Format("%g", job.residualLimit) + ")" +
              (job.chief == ChiefMode::automatic && m > 0 ? ", solved again with CHIEF points\n"
                                                          : "\n"));
    }
    const int trust = UntrustedSummary(job, table);
    return firstFailure != Status::ok ? firstFailure : trust;
}

int CSweepRun::Merge(const std::string& folder) {
    const char* const function = "Merge";
    // The parts present: frequencies.part<i>of<N>.csv.
    std::map<int, std::set<int>> partsOf;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        int part = 0, parts = 0;
        char tail[8] = {0};
        if (std::sscanf(name.c_str(), "frequencies.part%dof%d.%4s", &part, &parts, tail) == 3 &&
            std::string(tail) == "csv" && part >= 1 && part <= parts && parts <= 100000) {
            partsOf[parts].insert(part);
        }
    }
    if (error || partsOf.empty()) {
        logFile.ReportError(className, function, Message::openError,
                            (folder + ": no part tables frequencies.part<i>of<N>.csv").c_str());
        return Status::openError;
    }
    if (partsOf.size() > 1) {
        logFile.ReportError(className, function, Message::invalidData,
                            (folder + ": parts of sweeps split in different numbers").c_str());
        return Status::invalidData;
    }
    const int parts = partsOf.begin()->first;
    Table table;
    bool withField = false;
    for (int part = 1; part <= parts; ++part) {
        const std::string frequencyFile = folder + "/" + TableName("frequencies", part, parts);
        const std::string fieldFile = folder + "/" + TableName("field", part, parts);
        if (partsOf.begin()->second.count(part) == 0) {
            logFile.ReportError(className, function, Message::openError, frequencyFile.c_str());
            return Status::openError;
        }
        withField = withField || fs::exists(fieldFile);
        if (!ReadTables(frequencyFile, fieldFile, table)) {
            logFile.ReportError(className, function, Message::invalidData, frequencyFile.c_str());
            return Status::invalidData;
        }
    }
    const int status = WriteTables(folder, "frequencies.csv", "field.csv", table, withField, true);
    if (status < 0) return status;
    Print("Merged " + std::to_string(parts) +
          " parts: " + std::to_string(table.frequencyRows.size()) + " frequencies into " + folder +
          "/frequencies.csv\n");
    int failed = 0;
    for (const auto& row : table.frequencyRows) failed += output::RowStatus(row.second) != 0;
    if (failed > 0) Print(std::to_string(failed) + " of them failed: see their status\n");
    int untrusted = 0;
    for (const auto& row : table.frequencyRows)
        untrusted += output::RowStatus(row.second) == 0 && output::RowUntrusted(row.second);
    if (untrusted > 0) Print(std::to_string(untrusted) + " of them untrusted: see their trust\n");
    return Status::ok;
}
