// Reading the configuration file.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"
#include "fileio/FileIO.h"

namespace {

struct ConfigRead {
    int status;
    ConfigData config;
    std::string console;
    long reports;
};

ConfigRead ReadConfig(const std::string& content, std::string* fileName = nullptr) {
    test::TempDir dir;
    const std::string name = dir.File("Kavoral.cfg");
    if (fileName != nullptr) *fileName = name;
    test::WriteFile(name, content);
    test::ConsoleCapture capture;
    ConfigRead result{0, ConfigData{}, "", 0};
    CFileIO fileIO;
    result.status = fileIO.ReadConfigFile(name.c_str(), result.config);
    result.console = capture.text;
    result.reports = capture.Reports();
    return result;
}

void ExpectBadInputFile(const std::string& content) {
    std::string name;
    const ConfigRead read = ReadConfig(content, &name);
    EXPECT_EQ(read.status, -6) << content;
    EXPECT_EQ(read.console, test::ErrorBlock("CFileIO", "ReadConfigFile", "Bad input file", name));
}

void ExpectInvalidData(const std::string& content) {
    const ConfigRead read = ReadConfig(content);
    EXPECT_EQ(read.status, -5) << content;
    EXPECT_EQ(read.console, test::ErrorBlock("CFileIO", "ReadConfigFile", "Invalid data"));
}

TEST(ConfigFile, ReadsEveryKeyOfTheExampleFile) {
    const ConfigRead read = ReadConfig(
        "% medium: water\nDENSITY 1000\nSOUND_VELOCITY 1480.5 -2.5\nPOINT_EPS 1e-5\n"
        "PARA_EPS 2e-3\nDIVISION 0.25 0.75\nMATRIX_EPS 1e-12\nMATRIX_FILE BINARY\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.console, "");
    EXPECT_EQ(read.config.density, 1000.0);
    EXPECT_EQ(read.config.soundVelocity.re, 1480.5);
    EXPECT_EQ(read.config.soundVelocity.im, -2.5);
    EXPECT_EQ(read.config.pointEps, 1e-5);
    EXPECT_EQ(read.config.paraEps, 2e-3);
    EXPECT_EQ(read.config.division[0], 0.25);
    EXPECT_EQ(read.config.division[1], 0.75);
    EXPECT_EQ(read.config.matrixEps, 1e-12);
    EXPECT_EQ(read.config.matrixFileMode, matrixFileBinary);
}

TEST(ConfigFile, KeysLeftOutKeepTheExampleValues) {
    const ConfigRead read = ReadConfig("% only comments\n%\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.density, 1.2);
    EXPECT_EQ(read.config.soundVelocity.re, 343.0);
    EXPECT_EQ(read.config.soundVelocity.im, 0.0);
    EXPECT_EQ(read.config.pointEps, 1e-6);
    EXPECT_EQ(read.config.paraEps, 1e-3);
    EXPECT_EQ(read.config.division[0], 0.1);
    EXPECT_EQ(read.config.division[1], 0.5);
    EXPECT_EQ(read.config.matrixEps, 1e-10);
    EXPECT_EQ(read.config.matrixFileMode, matrixFileText);
    EXPECT_EQ(ReadConfig("").status, 0);
}

TEST(ConfigFile, KeysAreCaseInsensitiveButTheMatrixFileWordIsNot) {
    const ConfigRead read = ReadConfig("density 2.5\nSound_Velocity 300 1\nmatrix_file TEXT\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.density, 2.5);
    EXPECT_EQ(read.config.soundVelocity.im, 1.0);
    ExpectInvalidData("MATRIX_FILE binary\n");
    ExpectInvalidData("MATRIX_FILE Text\n");
}

TEST(ConfigFile, LastOccurrenceWinsAndTrailingTextIsIgnored) {
    const ConfigRead read = ReadConfig("DENSITY 1.2 kg/m3\nDENSITY 7\nDIVISION 0.5 0.1 m\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.density, 7.0);
    EXPECT_EQ(read.config.division[0], 0.5);  // the two limits are not compared
    EXPECT_EQ(read.config.division[1], 0.1);
}

TEST(ConfigFile, DensityAndSoundVelocityHaveNoRangeCheck) {
    const ConfigRead read = ReadConfig("DENSITY -1\nSOUND_VELOCITY 0 0\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.density, -1.0);
}

TEST(ConfigFile, PositiveValuesAreCheckedStrictly) {
    ExpectInvalidData("POINT_EPS 0\n");
    ExpectInvalidData("POINT_EPS -1e-6\n");
    ExpectInvalidData("PARA_EPS 0\n");
    ExpectInvalidData("MATRIX_EPS -1\n");
    ExpectInvalidData("DIVISION 0.1 0\n");
    ExpectInvalidData("DIVISION 0 0.5\n");
    ExpectInvalidData("POINT_EPS nan\n");
}

TEST(ConfigFile, MissingValuesUnknownKeysAndEmptyLinesAreBadInputFiles) {
    ExpectBadInputFile("DIVISION 0.1\n");
    ExpectBadInputFile("DENSITY\n");
    ExpectBadInputFile("DENSITY abc\n");
    ExpectBadInputFile("SOUND_VELOCITY 343\n");
    ExpectBadInputFile("MATRIX_FILE\n");
    ExpectBadInputFile("FREQUENCY 100\n");
    ExpectBadInputFile("DENSITY 1.2\n\nPOINT_EPS 1e-6\n");
    ExpectBadInputFile("DENSITY 1.2\n\n");      // an empty last line
    ExpectBadInputFile("DENSITY 1.2\n  \t\n");  // white space only
    ExpectBadInputFile(" % not a comment\n");   // '%' counts in column one only
}

TEST(ConfigFile, ThreadsAreAWholeNumberNotBelowZero) {
    EXPECT_EQ(ReadConfig("DENSITY 1.2\n").config.threads, 0);  // absent: every hardware thread
    for (const auto& [line, threads] :
         std::vector<std::pair<std::string, int>>{{"THREADS 0\n", 0},
                                                  {"threads 3\n", 3},
                                                  {"THREADS 2 cores\n", 2},
                                                  {"THREADS 4.5\n", 4},
                                                  {"THREADS +7", 7}}) {
        const ConfigRead read = ReadConfig(line);
        EXPECT_EQ(read.status, 0) << line;
        EXPECT_EQ(read.config.threads, threads) << line;
    }
    ExpectInvalidData("THREADS -1\n");
    ExpectInvalidData("THREADS 2147483648\n");
    ExpectInvalidData("THREADS -99999999999999999999\n");
    ExpectBadInputFile("THREADS\n");
    ExpectBadInputFile("THREADS all\n");
    ExpectBadInputFile("THREADS 00000000000000000000000000000001\n");
}

TEST(ConfigFile, LastLineWithoutLineEndIsRead) {
    const ConfigRead read = ReadConfig("DENSITY 1.2\nPOINT_EPS 2e-6");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.pointEps, 2e-6);
}

TEST(ConfigFile, OverlongKeysAndWordsAreRejectedNotOverrun) {
    ExpectBadInputFile(std::string(40, 'K') + " 1\n");
    ExpectBadInputFile("MATRIX_FILE " + std::string(32, 'B') + "\n");
    // 31 characters still fit and are compared.
    ExpectInvalidData("MATRIX_FILE " + std::string(31, 'B') + "\n");
}

TEST(ConfigFile, LongLinesAreReadInPiecesOf499Characters) {
    // The comment's first 499 characters are one piece; the rest is a line of its own.
    const std::string comment = "%" + std::string(498, 'x');
    const ConfigRead read = ReadConfig(comment + "DENSITY 5\nPOINT_EPS 1e-6\n");
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.config.density, 5.0);
    // A key line padded beyond the limit leaves a piece of blanks: no word there.
    ExpectBadInputFile("DENSITY 1.2" + std::string(600, ' ') + "\n");
}

TEST(ConfigFile, MissingFileIsAnOpeningError) {
    test::TempDir dir;
    const std::string name = dir.File("Kavoral.cfg");
    test::ConsoleCapture capture;
    ConfigData config;
    CFileIO fileIO;
    EXPECT_EQ(fileIO.ReadConfigFile(name.c_str(), config), -3);
    EXPECT_EQ(capture.text,
              test::ErrorBlock("CFileIO", "ReadConfigFile", "Error opening file", name));
    EXPECT_EQ(fileIO.ReadConfigFile(nullptr, config), -2);
    EXPECT_EQ(capture.Reports(), 2);
}

TEST(ConfigFile, ReadingStopsAtTheFirstError) {
    const ConfigRead read = ReadConfig("DENSITY 3\nPOINT_EPS 0\nDENSITY 4\n");
    EXPECT_EQ(read.status, -5);
    EXPECT_EQ(read.config.density, 3.0);
    EXPECT_EQ(read.reports, 1);
}

}  // namespace
