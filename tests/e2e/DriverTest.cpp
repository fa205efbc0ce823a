// The driver seen from outside: the binary run in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/Kavoral.h"
#include "support/TestSupport.h"

namespace {

const std::string usageText = Kavoral::UsageText();

// The command lines of the usage text: switch and parameter names, one vector per command.
std::vector<std::vector<std::string>> UsageCommands() {
    std::vector<std::vector<std::string>> commands;
    std::istringstream lines(usageText);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() < 2 || line[0] != '\t' || line[1] != '-') continue;
        std::istringstream words(line);
        std::vector<std::string> command;
        for (std::string word; words >> word;) command.push_back(word);
        commands.push_back(command);
    }
    return commands;
}

TEST(Driver, UsageTextListsEverySwitchWithTheArgumentsItTakes) {
    EXPECT_EQ(usageText.rfind("\nUsage:\n\tKavoral <switch> <parameters>\n\n", 0), 0u);
    const auto commands = UsageCommands();
    ASSERT_EQ(commands.size(), 6u);
    std::vector<std::string> switches;
    for (const auto& command : commands) switches.push_back(command[0]);
    EXPECT_EQ(switches, (std::vector<std::string>{"-ms", "-mm", "-mi", "-xs", "-xm", "-ch"}));
    // With the arguments the usage names, a command gets past the driver to its own work (and
    // fails there on the missing files); one fewer is refused by the driver.
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    for (const auto& command : commands) {
        std::vector<std::string> arguments = command;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            if (arguments[i] == "direction") arguments[i] = "OUT";
        }
        const test::RunResult full = test::RunKavoral(dir.Path(), arguments);
        EXPECT_EQ(full.output.find("Function:\tStart"), std::string::npos) << command[0];
        arguments.pop_back();
        const test::RunResult shorter = test::RunKavoral(dir.Path(), arguments);
        EXPECT_NE(shorter.output.find("Function:\tStart"), std::string::npos) << command[0];
    }
}

TEST(Driver, NoArgumentsPrintsBannerDateAndUsageAndExitsMinusOne) {
    test::TempDir dir;
    const test::RunResult run = test::RunKavoral(dir.Path(), {});
    EXPECT_EQ(run.status, -1);
    const std::string rule(66, '-');
    const std::string head =
        "\n" + rule + "\n\tKavoral 1.1\tAcoustical Boundary Element software\n\t\t\t";
    ASSERT_EQ(run.output.compare(0, head.size(), head), 0) << run.output;
    EXPECT_NE(run.output.find(rule + "\n\n"), std::string::npos);
    // The date line: 24 characters, then the usage text ends the output.
    const std::size_t dateStart = run.output.find(rule + "\n\n") + rule.size() + 2;
    EXPECT_EQ(run.output.substr(dateStart + 24), std::string("\n") + usageText);
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.File("Kavoral.log")), run.output);
}

}  // namespace

namespace {

// Everything the run printed after the banner and the date line.
std::string AfterDate(const std::string& output) {
    const std::string rule(66, '-');
    const std::size_t ruleEnd = output.find(rule + "\n\n", 1);
    return ruleEnd == std::string::npos ? output : output.substr(ruleEnd + rule.size() + 2 + 25);
}

const std::string badArguments =
    test::ErrorBlock("Kavoral", "Start", "Bad input arguments") + usageText;

TEST(Driver, WrongArgumentCountsAndUnknownSwitchesReportBadInputArguments) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    const std::vector<std::vector<std::string>> calls = {
        {"-ms", "100", "a.srf", "OUT"},           // one parameter short
        {"-xs", "a.mtx", "b.xct", "c.res", "d"},  // one too many
        {"-mi", "a.mtx"},
        {"-MS", "100", "a.srf", "OUT", "a.mtx"},  // switches are case-sensitive
        {"ms", "100", "a.srf", "OUT", "a.mtx"},
        {"-msx", "100", "a.srf", "OUT", "a.mtx"},
        {"-zz"},
    };
    for (const auto& arguments : calls) {
        const test::RunResult run = test::RunKavoral(dir.Path(), arguments);
        EXPECT_EQ(run.status, -1) << arguments[0];
        std::string echo;
        for (const std::string& argument : arguments) echo += argument + " ";
        EXPECT_EQ(AfterDate(run.output),
                  echo + "\n\nReading configuration data...Ready\n" + badArguments)
            << arguments[0];
    }
    // The log received the same texts, run after run.
    const std::string log = test::ReadFile(dir.File("Kavoral.log"));
    std::size_t blocks = 0;
    for (std::size_t at = log.find("######## ERROR"); at != std::string::npos;
         at = log.find("######## ERROR", at + 1)) {
        ++blocks;
    }
    EXPECT_EQ(blocks, calls.size());
}

TEST(Driver, LogIsAppendedAcrossRuns) {
    test::TempDir dir;
    const test::RunResult first = test::RunKavoral(dir.Path(), {});
    const test::RunResult second = test::RunKavoral(dir.Path(), {"-zz"});
    EXPECT_EQ(test::ReadFile(dir.File("Kavoral.log")), first.output + second.output);
}

TEST(Driver, ConfigurationIsReadBeforeTheSwitchIsExamined) {
    test::TempDir dir;
    // No configuration file: its error wins over the unknown switch.
    test::RunResult run = test::RunKavoral(dir.Path(), {"-zz", "x"});
    EXPECT_EQ(run.status, -3);
    EXPECT_EQ(AfterDate(run.output), "-zz x \n\nReading configuration data..." +
                                         test::ErrorBlock("CFileIO", "ReadConfigFile",
                                                          "Error opening file", "Kavoral.cfg"));
    EXPECT_EQ(test::ReadFile(dir.File("Kavoral.log")), run.output);

    test::WriteFile(dir.File("Kavoral.cfg"), "POINT_EPS 0\n");
    run = test::RunKavoral(dir.Path(), {"-ch", "a", "OUT", "b"});
    EXPECT_EQ(run.status, -5);
    EXPECT_NE(run.output.find(test::ErrorBlock("CFileIO", "ReadConfigFile", "Invalid data")),
              std::string::npos);
    EXPECT_EQ(run.output.find("Usage"), std::string::npos);

    test::WriteFile(dir.File("Kavoral.cfg"), "SPEED 1\n");
    run = test::RunKavoral(dir.Path(), {"-ch", "a", "OUT", "b"});
    EXPECT_EQ(run.status, -6);
    EXPECT_NE(run.output.find(
                  test::ErrorBlock("CFileIO", "ReadConfigFile", "Bad input file", "Kavoral.cfg")),
              std::string::npos);
}

TEST(Driver, UnwritableLogEndsTheRunBeforeTheBanner) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    std::filesystem::create_directory(dir.File("Kavoral.log"));  // cannot be opened for appending
    const test::RunResult run = test::RunKavoral(dir.Path(), {"-zz"});
    EXPECT_EQ(run.status, -3);
    EXPECT_EQ(run.output, "Couldn't open logfile for writing!\n");
}

}  // namespace
