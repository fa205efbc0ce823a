// Reading the excitation file: the boundary condition of every surface point.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "base/Status.h"
#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "support/FileTestSupport.h"

namespace {

struct Excitation {
    int status = 0;
    int count = -1;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
};

// Writes the content to a file and reads it; the console text is left in `capture`.
Excitation Read(const test::TempDir& dir, const std::string& content) {
    const std::string name = dir.File("e.xct");
    test::WriteFile(name, content);
    Excitation result;
    CFileIO io;
    result.status = io.ReadExcitationFile(name.c_str(), result.count, result.values, result.types);
    return result;
}

TEST(ExcitationFile, WrittenFileReadsBackExactlyAndBadCodesAreRefused) {
    test::TempDir dir;
    test::ConsoleCapture capture;
    const std::string name = dir.File("w.xct");
    const std::vector<std::int16_t> types = {givenPressure, givenVelocity, givenImpedance,
                                             givenAdmittance};
    const std::vector<Complex> values = {{0.1, -2.0 / 3.0}, {1e-300, 5}, {412.5, 0}, {-0.0, 1e17}};
    CFileIO io;
    ASSERT_EQ(io.WriteExcitationFile(name.c_str(), 4, types.data(), values.data(), "four kinds"),
              0);
    EXPECT_EQ(test::ReadFile(name).substr(0, 15), "% four kinds\n4\n");
    int count = 0;
    std::vector<Complex> readValues;
    std::vector<std::int16_t> readTypes;
    ASSERT_EQ(io.ReadExcitationFile(name.c_str(), count, readValues, readTypes), 0);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(readTypes, types);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(readValues[i].re, values[i].re) << i;
        EXPECT_EQ(readValues[i].im, values[i].im) << i;
    }
    EXPECT_EQ(capture.Reports(), 0);

    const std::vector<std::int16_t> badTypes = {givenPressure, 4, givenVelocity, givenPressure};
    const std::string other = dir.File("bad.xct");
    EXPECT_EQ(io.WriteExcitationFile(other.c_str(), 4, badTypes.data(), values.data(), nullptr),
              Status::badParameter);
    EXPECT_FALSE(test::FileExists(other));
    if (test::FileExists("/dev/full")) {
        EXPECT_EQ(io.WriteExcitationFile("/dev/full", 4, types.data(), values.data(), nullptr),
                  Status::writeError);
        EXPECT_EQ(capture.Reports(), 2);
    }
}

TEST(ExcitationFile, ReadsTypesAndValuesAfterCommentRun) {
    test::TempDir dir;
    test::ConsoleCapture capture;
    const Excitation e = Read(dir,
                              "% excitation\n%% second comment\n\n  3 points\n"
                              "0 V 1.0 0.0\n\n1\tP\t0  -2.5e-1 ignored\n2 Z 415 0\n3 Y 9 9\n");
    ASSERT_EQ(e.status, 0);
    EXPECT_EQ(capture.Reports(), 0);
    EXPECT_EQ(e.count, 3);
    ASSERT_EQ(e.values.size(), 3u);
    EXPECT_EQ(e.types, (std::vector<std::int16_t>{1, 0, 2}));
    EXPECT_EQ(e.values[0].re, 1.0);
    EXPECT_EQ(e.values[1].im, -0.25);
    EXPECT_EQ(e.values[2].re, 415.0);
    // Admittance has code 3.
    const Excitation y = Read(dir, "1\n0 Y 0.5 0.5\n");
    ASSERT_EQ(y.status, 0);
    EXPECT_EQ(y.types[0], 3);
}

TEST(ExcitationFile, RejectsBadCountsWithTheCountComment) {
    test::TempDir dir;
    for (const char* content : {"0\n", "-3\n0 V 1 0\n", "points\n", "", "% a\n\n% b\n1\n0 V 1 0\n",
                                " % not a comment\n1\n0 V 1 0\n"}) {
        test::ConsoleCapture capture;
        const Excitation e = Read(dir, content);
        EXPECT_EQ(e.status, Status::invalidData) << content;
        test::ExpectFileReport(capture, "ReadExcitationFile", "Invalid data",
                               "number of excited points");
        EXPECT_EQ(e.count, 0);
        EXPECT_TRUE(e.values.empty() && e.types.empty());
    }
}

TEST(ExcitationFile, RejectsPointLinesOutOfSequenceOrMissingOrUnreadable) {
    test::TempDir dir;
    const char* const contents[] = {
        "2\n1 V 1 0\n2 V 1 0\n",             // numbered from 1
        "2\n1 V 1 0\n0 V 1 0\n",             // out of order
        "3\n0 V 1 0\n1 V 1 0\n",             // a line missing
        "2\n0 V 1 0\n% comment\n1 V 1 0\n",  // '%' after the count is no comment
        "2\n0 V 1 0\n1 V 1 zero\n",          // garbage on the last line
        "2\n0 V one 0\n1 V 1 0\n",           // garbage on an earlier line
        "2\n0 V 1\n",                        // the last line is short
        "2000000000\n0 V 1 0\n",             // a huge count with few lines
    };
    for (const char* content : contents) {
        test::ConsoleCapture capture;
        const Excitation e = Read(dir, content);
        EXPECT_EQ(e.status, Status::invalidData) << content;
        test::ExpectFileReport(capture, "ReadExcitationFile", "Invalid data", "excitation index");
        EXPECT_EQ(e.count, 0);
        EXPECT_TRUE(e.values.empty() && e.types.empty());
    }
}

TEST(ExcitationFile, RejectsTypeLettersOtherThanCapitalPVZY) {
    test::TempDir dir;
    for (const char* content : {"1\n0 v 1 0\n", "1\n0 Q 1 0\n", "1\n0 1 0\n", "1\n0"}) {
        test::ConsoleCapture capture;
        const Excitation e = Read(dir, content);
        EXPECT_EQ(e.status, Status::invalidData) << content;
        test::ExpectFileReport(capture, "ReadExcitationFile", "Invalid data", "excitation type");
    }
}

TEST(ExcitationFile, LinesBeyondTheCountAreNotRead) {
    test::TempDir dir;
    const Excitation e = Read(dir, "2\n0 V 1 0\n1 V 2 0\n2 garbage\n");
    ASSERT_EQ(e.status, 0);
    EXPECT_EQ(e.count, 2);
    EXPECT_EQ(e.values[1].re, 2.0);
}

TEST(ExcitationFile, ArgumentChecksChangeNothing) {
    CFileIO io;
    int count = 9;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
    {
        test::ConsoleCapture capture;
        EXPECT_EQ(io.ReadExcitationFile(nullptr, count, values, types), Status::badParameter);
        test::ExpectFileReport(capture, "ReadExcitationFile", "Bad parameter",
                               "filename is <NULL>");
    }
    types.push_back(1);
    {
        test::ConsoleCapture capture;
        EXPECT_EQ(io.ReadExcitationFile("any.xct", count, values, types), Status::badParameter);
        test::ExpectFileReport(capture, "ReadExcitationFile", "Bad parameter",
                               "vectors to fill are not <NULL>");
    }
    EXPECT_EQ(count, 9);
    EXPECT_EQ(types.size(), 1u);
    test::TempDir dir;
    const std::string missing = dir.File("missing.xct");
    types.clear();
    test::ConsoleCapture capture;
    EXPECT_EQ(io.ReadExcitationFile(missing.c_str(), count, values, types), Status::openError);
    test::ExpectFileReport(capture, "ReadExcitationFile", "Error opening file", missing);
    EXPECT_EQ(count, 0);
}

}  // namespace
