// The error report block, the number printer and the stopwatch texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestSupport.h"
#include "base/LogFile.h"
#include "base/Stopwatch.h"

namespace {

TEST(LogFile, ReportLeavesOutEmptyAndAbsentFields) {
    test::ConsoleCapture capture;
    logFile.ReportError("CFileIO", "ReadConfigFile", "Error opening file", "Kavoral.cfg");
    logFile.ReportError("CSurface", "Reflect", "Not enough memory to run the program", "");
    logFile.ReportError(nullptr, "", "Invalid data", nullptr);
    EXPECT_EQ(capture.text,
              "\n######## ERROR ########\nClass:\t\tCFileIO\nFunction:\tReadConfigFile\n"
              "Message:\tError opening file\nComment:\tKavoral.cfg\n\n"
              "\n######## ERROR ########\nClass:\t\tCSurface\nFunction:\tReflect\n"
              "Message:\tNot enough memory to run the program\n\n"
              "\n######## ERROR ########\nMessage:\tInvalid data\n\n");
    EXPECT_EQ(capture.Reports(), 3);
}

TEST(LogFile, TextsArePrintedVerbatimAndNumbersInDecimal) {
    test::ConsoleCapture capture;
    logFile.Print("100% of a%s file ", 1);
    logFile.PrintNumber(-5, 1);
    logFile.PrintNumber(0, 0);
    logFile.Print(nullptr, 1);
    EXPECT_EQ(capture.text, "100% of a%s file -50");
}

TEST(LogFile, ProgramDirectsTheTextToAFileOfItsOwnOrNowhere) {
    test::TempDir dir;
    const std::string name = dir.File("tool.log");
    ASSERT_EQ(logFile.Open(name.c_str()), 0);
    logFile.SetQuiet(true);
    logFile.Print("logged ", 1);
    logFile.Print("console only ", 0);
    logFile.ReportError("CSurface", "Reflect", "Invalid data", "");
    logFile.SetQuiet(false);
    logFile.Close();
    EXPECT_EQ(test::ReadFile(name),
              "logged \n######## ERROR ########\nClass:\t\tCSurface\nFunction:\tReflect\n"
              "Message:\tInvalid data\n\n");
    // A log that cannot be opened leaves none open.
    {
        test::ConsoleCapture capture;
        EXPECT_EQ(logFile.Open(dir.File("missing/x.log").c_str()), -3);
        logFile.Print("nowhere", 1);
    }
    logFile.Close();
    EXPECT_EQ(test::ReadFile(name).find("nowhere"), std::string::npos);
}

TEST(LogFile, InnerCaptureHandsTheConsoleBackToTheOuterOne) {
    test::ConsoleCapture outer;
    logFile.Print("a", 0);
    {
        test::ConsoleCapture inner;
        logFile.Print("b", 0);
        EXPECT_EQ(inner.text, "b");
    }
    logFile.Print("c", 0);
    EXPECT_EQ(outer.text, "ac");
}

TEST(Stopwatch, ElapsedTextHasTwoDigitFieldsAndUnreducedHours) {
    char text[64];
    const std::pair<long long, const char*> cases[] = {
        {0, "00:00:00"},    {59, "00:00:59"},    {3600, "01:00:00"},
        {3725, "01:02:05"}, {86400, "24:00:00"}, {360000 + 61, "100:01:01"}};
    for (const auto& [seconds, expected] : cases) {
        CStopwatch::FormatElapsed(seconds, text, sizeof text);
        EXPECT_STREQ(text, expected);
    }
    // Right after construction; a second boundary may just have passed.
    CStopwatch stopwatch;
    const std::string elapsed = stopwatch.ElapsedText();
    EXPECT_TRUE(elapsed == "00:00:00" || elapsed == "00:00:01") << elapsed;
}

TEST(Stopwatch, DateTextIsTheZeroPaddedCalendarText) {
    CStopwatch stopwatch;
    const char* date = stopwatch.DateText();
    ASSERT_EQ(std::strlen(date), 24u);
    // "Www Mmm dd hh:mm:ss yyyy"
    EXPECT_EQ(date[3], ' ');
    EXPECT_EQ(date[7], ' ');
    EXPECT_TRUE(date[8] >= '0' && date[8] <= '3') << date;
    EXPECT_TRUE(date[9] >= '0' && date[9] <= '9') << date;
    EXPECT_EQ(date[10], ' ');
    EXPECT_EQ(date[13], ':');
    EXPECT_EQ(date[16], ':');
    EXPECT_EQ(date[19], ' ');
}

}  // namespace
