// Reading and writing surface files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

struct ReadResult {
    int status;
    std::string console;
    long reports;
};

ReadResult ReadText(CSurface& surface, const std::string& content) {
    test::TempDir dir;
    test::WriteFile(dir.File("in.srf"), content);
    test::ConsoleCapture capture;
    const int status = surface.ReadSurfaceFile(dir.File("in.srf").c_str());
    return {status, capture.text, capture.Reports()};
}

void ExpectInvalid(const std::string& content, const std::string& comment) {
    CSurface surface{ConfigData{}};
    const ReadResult read = ReadText(surface, content);
    EXPECT_EQ(read.status, -5) << content;
    EXPECT_EQ(read.reports, 1);
    EXPECT_EQ(read.console,
              test::ErrorBlock("CSurface", "ReadSurfaceFile", "Invalid data", comment))
        << content;
}

const char* const twoPoints = "2\n0 0 0 0 0 0 0\n1 1 0 0 0 0 0\n";

TEST(SurfaceFile, ReadsRecordsIgnoringTextAfterTheValuesOfEachLine) {
    CSurface surface{ConfigData{}};
    const ReadResult read = ReadText(
        surface,
        "% title\n%% more\n4 points follow\n"
        "0 1 2 3 0 0 1 word\r\n1 -0.5 .25 3. 1.5e-3 2E+07 0\n2 0 1 0 0 0 0\n3 0 0 1 0 0 0\n"
        "2\n0 3 0 1 2 trailing\n0x1 4 0 1 2 3\n"
        "1\n0 0 0 5 0 0 2\n");
    ASSERT_EQ(read.status, 0) << read.console;
    EXPECT_EQ(surface.pointCount, 4);
    EXPECT_EQ(surface.points[0].x, 1.0);
    EXPECT_EQ(surface.points[0].z, 3.0);
    EXPECT_EQ(surface.pointDirections[0].z, 1.0);
    EXPECT_EQ(surface.points[1].y, 0.25);
    EXPECT_EQ(surface.pointDirections[1].y, 2e7);
    ASSERT_EQ(surface.elementCount, 2);
    EXPECT_EQ(surface.elements[0].nodeCount, 3);
    EXPECT_EQ(surface.elements[0].nodes[3], unusedNode);
    EXPECT_EQ(surface.elements[1].nodeCount, 4);
    EXPECT_EQ(surface.elements[1].nodes[3], 3);
    ASSERT_EQ(surface.symmetryPlaneCount, 1);
    EXPECT_EQ(surface.planePoints[0].z, 5.0);
    EXPECT_EQ(surface.planeNormals[0].z, 2.0);
}

TEST(SurfaceFile, FileMayEndAfterItsPointsOrAfterItsElements) {
    CSurface pointsOnly{ConfigData{}};
    EXPECT_EQ(ReadText(pointsOnly, twoPoints).status, 0);
    EXPECT_EQ(pointsOnly.elementCount, 0);
    EXPECT_EQ(pointsOnly.symmetryPlaneCount, 0);
    EXPECT_TRUE(pointsOnly.elements.empty());

    CSurface noPlanes{ConfigData{}};
    EXPECT_EQ(ReadText(noPlanes, std::string(twoPoints) + "1\n0 3 0 1 1\n").status, 0);
    EXPECT_EQ(noPlanes.elementCount, 1);
    EXPECT_EQ(noPlanes.symmetryPlaneCount, 0);

    CSurface noElements{ConfigData{}};
    EXPECT_EQ(ReadText(noElements, std::string(twoPoints) + "0\n1\n0 0 0 0 1 0 0\n").status, 0);
    EXPECT_TRUE(noElements.elements.empty());
    EXPECT_EQ(noElements.symmetryPlaneCount, 1);
}

TEST(SurfaceFile, IndicesAreReadWithAutomaticBaseSo008IsNoNumberInSequence) {
    std::string content = "9\n";
    for (int i = 0; i < 9; ++i) content += "00" + std::to_string(i) + " 0 0 0 0 0 0\n";
    CSurface surface{ConfigData{}};
    const ReadResult read = ReadText(surface, content);
    EXPECT_EQ(read.status, -5);
    EXPECT_EQ(read.console,
              test::ErrorBlock("CSurface", "ReadSurfaceFile", "Invalid data", "point index"));
    // Points 000 to 007 were read before the failure.
    EXPECT_EQ(surface.pointCount, 9);
}

TEST(SurfaceFile, RejectsRecordsOutOfSequenceAndBadCounts) {
    ExpectInvalid("\n% not a comment here\n1\n0 0 0 0 0 0 0\n", "number of surface points");
    ExpectInvalid("", "number of surface points");
    ExpectInvalid("0\n", "number of surface points");
    ExpectInvalid("65536\n", "number of surface points");
    ExpectInvalid("3\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n3 0 0 0 0 0 0\n", "point index");
    ExpectInvalid(std::string(twoPoints) + "-1\n", "number of elements");
    ExpectInvalid(std::string(twoPoints) + "65536\n", "number of elements");
    ExpectInvalid(std::string(twoPoints) + "2\n0 3 0 1 1\n0 3 0 1 1\n", "element index");
    ExpectInvalid(std::string(twoPoints) + "0\n-1\n", "number of symmetry planes");
    ExpectInvalid(std::string(twoPoints) + "0\n2\n0 0 0 0 1 0 0\n2 0 0 0 1 0 0\n",
                  "symmatry plane index");
}

TEST(SurfaceFile, RejectsIncompleteRecordsInsteadOfLeavingValuesUndefined) {
    ExpectInvalid("2\n0 0 0 0 0 0 0\n1 1 0 0 0 0\n", "point coordinates");
    ExpectInvalid("1\n0 0 0 0 0 0 x\n", "point coordinates");
    ExpectInvalid(std::string(twoPoints) + "1\n0 5 0 1 1 1 1\n", "element node count");
    ExpectInvalid(std::string(twoPoints) + "1\n0 2 0 1\n", "element node count");
    ExpectInvalid(std::string(twoPoints) + "1\n0\n", "element node count");
    ExpectInvalid(std::string(twoPoints) + "0\n1\n0 0 0 0 1 0\n", "symmetry plane coordinates");
    ExpectInvalid(std::string(twoPoints) + "0\n1\n0 0 0 5 0 0 0\n", "symmetry plane normal");
}

TEST(SurfaceFile, NodeIndexBeyondSixteenBitsFailsTheElementCheckInsteadOfWrapping) {
    struct Case {
        const char* node;
        SurfaceIndex stored;
        int check;
    };
    // Two points: index 1 is the last that exists, index 2 is pointCount.
    for (const Case c :
         {Case{"65536", unusedNode, -11}, Case{"65537", unusedNode, -11},
          Case{"-1", unusedNode, -11},
          Case{"65535", 65535, -11}, Case{"2", 2, -11}, Case{"1", 1, 0}}) {
        CSurface surface{ConfigData{}};
        ASSERT_EQ(ReadText(surface, std::string(twoPoints) + "1\n0 3 0 1 " + c.node + "\n").status,
                  0);
        EXPECT_EQ(surface.elements[0].nodes[2], c.stored) << c.node;
        test::ConsoleCapture capture;
        EXPECT_EQ(surface.CheckElements(), c.check) << c.node;
        EXPECT_EQ(capture.text,
                  c.check == 0
                      ? ""
                      : test::ErrorBlock("CSurface", "CheckElements",
                                         "One of the elements refers to a not existing point!"));
    }
}

TEST(SurfaceFile, EveryTruncationReadsAndPreparesOrFailsWithOneReport) {
    meshes::Mesh mesh = meshes::Cube(true);
    mesh.planePoints = {{0, 0, 0}};
    mesh.planeNormals = {{1, 0, 0}};
    const std::string full = "% cube\n" + test::SurfaceText(mesh);
    test::TempDir dir;
    for (std::size_t length = 0; length <= full.size(); ++length) {
        test::WriteFile(dir.File("in.srf"), full.substr(0, length));
        CSurface surface{ConfigData{}};
        test::ConsoleCapture capture;
        int status = surface.ReadSurfaceFile(dir.File("in.srf").c_str());
        if (status == 0) status = surface.PrepareSurface(1);
        EXPECT_EQ(capture.Reports(), status < 0 ? 1 : 0) << length;
    }
}

TEST(SurfaceFile, MissingFileAndAbsentNameAreReported) {
    CSurface surface{ConfigData{}};
    test::ConsoleCapture capture;
    EXPECT_EQ(surface.ReadSurfaceFile("/nonexistent/in.srf"), -3);
    EXPECT_EQ(surface.ReadSurfaceFile(nullptr), -2);
    EXPECT_EQ(surface.WriteSurfaceFile(nullptr), -2);
    EXPECT_EQ(
        capture.text,
        test::ErrorBlock("CSurface", "ReadSurfaceFile", "Error opening file",
                         "/nonexistent/in.srf") +
            test::ErrorBlock("CSurface", "ReadSurfaceFile", "Bad parameter", "filename <NULL>") +
            test::ErrorBlock("CSurface", "WriteSurfaceFile", "Bad parameter", "filename <NULL>"));
}

// The lines of a written file after its two comment lines.
std::string Body(const std::string& text) {
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    return text.substr(second + 1);
}

TEST(SurfaceFile, WritesTheStoredPartWithSixSignificantDigitsAndPlanes) {
    CSurface surface{ConfigData{}};
    ASSERT_EQ(ReadText(surface,
                       "3\n0 0.5 -0.333333333 2 0 0 1\n1 123456.7 1234567 0.00001 0 0 0\n"
                       "2 1 1 0 0 0 0\n1\n0 3 0 1 2\n1\n0 0 0 -7 0 0 1\n")
                  .status,
              0);
    test::ConsoleCapture capture;
    ASSERT_EQ(surface.CheckElements(), 0);
    ASSERT_EQ(surface.Reflect(), 0);
    ASSERT_EQ(surface.totalElementCount, 2);
    CSurface::ReverseNodes(surface.elements[0]);
    test::TempDir dir;
    ASSERT_EQ(surface.WriteSurfaceFile(dir.File("out.srf").c_str()), 0);
    const std::string text = test::ReadFile(dir.File("out.srf"));
    EXPECT_EQ(text.rfind("% Surface File generated by Kavoral\n% Date: ", 0), 0u);
    EXPECT_EQ(text.find('\n', 36), 36u + 8 + 24);
    EXPECT_EQ(Body(text),
              "3\n0\t0.5 -0.333333 2\t0 0 1\n1\t123457 1.23457e+06 1e-05\t0 0 0\n2\t1 1 0\t0 0 0\n"
              "1\n0\t3\t2 1 0\n1\n0\t0 0 -7\t0 0 1\n");
    EXPECT_FALSE(test::FileExists(dir.File("out.srf.kavoral-tmp")));

    // Read back: the same records, the coordinates as written.
    CSurface again{ConfigData{}};
    ASSERT_EQ(again.ReadSurfaceFile(dir.File("out.srf").c_str()), 0);
    EXPECT_EQ(again.pointCount, 3);
    EXPECT_EQ(again.points[1].x, 123457.0);
    EXPECT_EQ(again.points[0].y, -0.333333);
    EXPECT_EQ(again.elements[0].nodes[0], 2);
    EXPECT_EQ(again.elements[0].nodes[3], unusedNode);
    EXPECT_EQ(again.planePoints[0].z, -7.0);
    EXPECT_EQ(capture.Reports(), 0);
}

TEST(SurfaceFile, FailedWritesAreReportedAndNothingIsReplaced) {
    test::TempDir dir;
    CSurface surface{ConfigData{}};
    ASSERT_EQ(ReadText(surface, test::SurfaceText(meshes::Cube(false))).status, 0);
    test::ConsoleCapture capture;

    // A link to a full device: the device is written and refuses the data; the link stays.
    const std::string full = dir.File("full.srf");
    std::filesystem::create_symlink("/dev/full", full);
    EXPECT_EQ(surface.WriteSurfaceFile(full.c_str()), -7);
    EXPECT_TRUE(std::filesystem::is_symlink(full));
    // A directory at the name, or a directory that does not exist, cannot take the file.
    std::filesystem::create_directories(dir.File("busy/inner"));
    EXPECT_EQ(surface.WriteSurfaceFile(dir.File("busy").c_str()), -3);
    EXPECT_EQ(surface.WriteSurfaceFile(dir.File("none/out.srf").c_str()), -3);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("busy/inner")));

    EXPECT_EQ(
        capture.text,
        test::ErrorBlock("CSurface", "WriteSurfaceFile", "Error writing to file", full) +
            test::ErrorBlock("CSurface", "WriteSurfaceFile", "Error opening file", "filename") +
            test::ErrorBlock("CSurface", "WriteSurfaceFile", "Error opening file", "filename"));
}

}  // namespace
