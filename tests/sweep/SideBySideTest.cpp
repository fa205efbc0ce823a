// Frequencies solved side by side: the files are those of a run one frequency at a time, and the
// memory decides how many run at once and whether the run starts at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "frequency/CompressedEstimate.h"
#include "frequency/Model.h"
#include "support/TestSupport.h"
#include "sweep/JobFile.h"
#include "sweep/SweepRun.h"
#include "SweepSupport.h"

namespace {

using sweeptest::FrequencyOfKa;
using sweeptest::RunSweep;
using sweeptest::SphereJob;

// The fields of a CSV line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(field);
    return fields;
}

// A file without its "% Date:" line, and a table without its column "seconds" (the time a
// frequency took): what two runs of the same job must share to the byte.
std::string Comparable(const std::string& fileName) {
    std::istringstream lines(test::ReadFile(fileName));
    std::string line, kept;
    std::size_t seconds = std::string::npos;
    for (bool header = true; std::getline(lines, line); header = false) {
        if (line.rfind("% Date:", 0) == 0) continue;
        std::vector<std::string> fields = Fields(line);
        if (header) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i] == "seconds") seconds = i;
        }
        if (seconds < fields.size()) fields.erase(fields.begin() + static_cast<long>(seconds));
        for (std::size_t i = 0; i < fields.size(); ++i) kept += (i > 0 ? "," : "") + fields[i];
        kept += "\n";
    }
    return kept;
}

// The per-frequency console lines ("i of n: ..."), without the seconds they took.
std::string FrequencyLines(const std::string& output) {
    std::istringstream lines(output);
    std::string line, kept;
    while (std::getline(lines, line)) {
        if (line.find(" of 3: ") != std::string::npos)
            kept += std::regex_replace(line, std::regex(", [0-9.]+ s"), ", s") + "\n";
    }
    return kept;
}

TEST(SideBySide, TwoFrequenciesAtOnceWriteWhatOneAtATimeWrites) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 2);
    // The compressed solver with CHIEF at the resonance ka = pi, so that one frequency of the
    // pair is solved twice and finishes after the one that follows it; one at a time each
    // frequency takes both threads, side by side one.
    test::WriteFile(dir.File("job.txt"),
                    SphereJob("FREQUENCIES " + FrequencyOfKa(1.0) + " " +
                              FrequencyOfKa(3.14159265358979) + " " + FrequencyOfKa(4.0) +
                              "\nSOLVER COMPRESSED\nTHREADS 2\n"));
    const test::RunResult one = RunSweep(dir, {"--at-once", "1", "job.txt"});
    ASSERT_EQ(one.status, 0) << one.output;
    std::filesystem::rename(dir.File("out"), dir.File("one"));
    const test::RunResult two = RunSweep(dir, {"--at-once", "2", "job.txt"});
    ASSERT_EQ(two.status, 0) << two.output;
    EXPECT_NE(two.output.find("3 of 3 frequencies to solve, 2 at once on 1 thread each"),
              std::string::npos)
        << two.output;
    EXPECT_NE(one.output.find("CHIEF 12 points"), std::string::npos) << one.output;
    EXPECT_EQ(FrequencyLines(two.output), FrequencyLines(one.output));

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("one"))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".log") continue;  // the console's text, compared above
        EXPECT_EQ(Comparable(dir.File("out/" + name)), Comparable(entry.path().string())) << name;
        ++files;
    }
    // Result and grid files of surface and field, three tables and the collection.
    EXPECT_EQ(files, 3 * 4 + 4);
    EXPECT_EQ(RunSweep(dir, {"--at-once", "0", "job.txt"}).status, 2);
}

TEST(SideBySide, TheMemoryAvailableRefusesTheRunOrLimitsTheFrequenciesAtOnce) {
    test::TempDir dir;
    sweeptest::WriteSphere(dir, 2);
    test::WriteFile(dir.File("job.txt"),
                    SphereJob("FREQUENCIES 100 200\nSOLVER COMPRESSED\nTHREADS 2\nCHIEF OFF\n"));
    test::ChangeDir here(dir.Path());
    test::ConsoleCapture console;
    SweepJob job;
    ASSERT_EQ(ReadJobFile("job.txt", job), 0) << console.text;
    Model model;
    ASSERT_EQ(PrepareModel(job, model), 0) << console.text;
    const double need = CompressedMemoryNeed(model, 0);
    ASSERT_GT(need, 1e5);

    RunOptions options;
    options.atOnce = 2;
    options.availableMemory = 0.5 * need;
    console.text.clear();
    EXPECT_EQ(CSweepRun().Run(job, options), -4);
    EXPECT_NE(console.text.find("Message:\tNot enough memory to run the program"),
              std::string::npos)
        << console.text;
    EXPECT_NE(console.text.find(" MB needed, "), std::string::npos) << console.text;
    EXPECT_EQ(console.text.find("1 of 2:"), std::string::npos) << console.text;
    EXPECT_FALSE(test::FileExists(dir.File("out/frequencies.csv")));

    // Room for one frequency but not two: one at a time, as asked or not.
    options.availableMemory = 1.5 * need;
    console.text.clear();
    EXPECT_EQ(CSweepRun().Run(job, options), 0) << console.text;
    EXPECT_NE(console.text.find("2 of 2 frequencies to solve\n"), std::string::npos)
        << console.text;
    options.availableMemory = 2.5 * need;
    console.text.clear();
    EXPECT_EQ(CSweepRun().Run(job, options), 0) << console.text;
    EXPECT_NE(console.text.find("2 of 2 frequencies to solve, 2 at once"), std::string::npos)
        << console.text;
}

}  // namespace
