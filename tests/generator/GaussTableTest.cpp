// Loading the quadrature table from "Gauss.cfs": the accepted file and every way it can be wrong.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "generator/GaussTable.h"

namespace {

std::string ShippedText() {
    return test::ReadFile(std::string(KAVORAL_SOURCE_DIR) + "/data/Gauss.cfs");
}

// The first `lines` lines of a text.
std::string Lines(const std::string& text, int lines) {
    std::size_t end = 0;
    for (int i = 0; i < lines && end != std::string::npos; ++i) {
        end = text.find('\n', end);
        if (end != std::string::npos) ++end;
    }
    return end == std::string::npos ? text : text.substr(0, end);
}

struct LoadResult {
    int status;
    std::string console;
    long reports;
};

// Loads a table from the given file contents (no file at all when `content` is null).
LoadResult Load(const std::string* content, CGaussTable& table) {
    test::TempDir dir;
    if (content != nullptr) test::WriteFile(dir.File("Gauss.cfs"), *content);
    test::ChangeDir change(dir.Path());
    test::ConsoleCapture capture;
    const int status = table.Init();
    return {status, capture.text, capture.Reports()};
}

const std::string badFileReport =
    test::ErrorBlock("CFileIO", "ReadConfigFile", "Bad input file", "Gauss.cfs");

TEST(GaussTable, LoadsTheShippedFileAndIgnoresWhatFollowsTheLastBlock) {
    const std::string text = ShippedText() + "17 garbage\n";
    CGaussTable table;
    const LoadResult result = Load(&text, table);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.reports, 0);
    EXPECT_EQ(table.quadW[12].size(), 169u);
    EXPECT_EQ(table.triW[12].size(), 91u);
    EXPECT_EQ(table.quadA[0][0], 0.5);
    EXPECT_EQ(table.quadW[0][0], 1.0);
}

TEST(GaussTable, RejectsAWrongFirstCount) {
    std::string text = ShippedText();
    text[0] = '2';
    CGaussTable table;
    const LoadResult result = Load(&text, table);
    EXPECT_EQ(result.status, Status::badInputFile);
    EXPECT_EQ(result.reports, 1);
    EXPECT_EQ(result.console, badFileReport);
}

TEST(GaussTable, RejectsFilesThatEndEarlyOrHoldNonNumbers) {
    const std::string shipped = ShippedText();
    // 20 quadrilateral counts and 2870 triples, one per line.
    const std::string cases[] = {
        Lines(shipped, 20 + 2870),                     // no triangle blocks
        shipped.substr(0, shipped.rfind(' ')) + "\n",  // the last triple lacks its weight
        Lines(shipped, 3) + "0.5 zero 0.25\n" + shipped.substr(Lines(shipped, 4).size()),
        "",
    };
    for (const std::string& text : cases) {
        CGaussTable table;
        const LoadResult result = Load(&text, table);
        EXPECT_EQ(result.status, Status::badInputFile) << text.size();
        EXPECT_EQ(result.console, badFileReport) << text.size();
    }
}

TEST(GaussTable, ReportsAMissingFileByName) {
    CGaussTable table;
    const LoadResult result = Load(nullptr, table);
    EXPECT_EQ(result.status, Status::openError);
    EXPECT_EQ(result.console,
              test::ErrorBlock("CFileIO", "ReadConfigFile", "Error opening file", "Gauss.cfs"));
}

TEST(GaussTable, ReaderRefusesArraysTooSmallForTheRules) {
    RuleArrays a, b, w, ta, tb, tw;
    test::ConsoleCapture capture;
    CFileIO fileIO;
    EXPECT_EQ(fileIO.ReadGaussFile("Gauss.cfs", a, b, w, ta, tb, tw), Status::badParameter);
    EXPECT_EQ(fileIO.ReadGaussFile(nullptr, a, b, w, ta, tb, tw), Status::badParameter);
    EXPECT_EQ(capture.Reports(), 2);
}

}  // namespace
