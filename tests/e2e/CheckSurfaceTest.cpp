// The surface check command seen from outside: console, log, exit status and the written file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

using meshes::Mesh;

std::string Progress(int flipped, int boundaries, int planes, bool changed) {
    return "Reading surface data...Ready\n"
           "Checking element indices...Ready\n"
           "Reflecting to " +
           std::to_string(planes) +
           " symmetry planes...Ready\n"
           "Building element adjacency matrix...Ready\n"
           "Searching for subboundaries...Ready\t" +
           std::to_string(flipped) + " elements flipped\t" + std::to_string(boundaries) +
           " boundaries found\n"
           "Calculating spheric angles...Ready\n"
           "Turning surface to the right direction...Ready\n" +
           (changed ? "### Surface has been changed! ###\n" : "") +
           "Writing surface data...Ready\n";
}

// The written file without its two comment lines.
std::string Body(const std::string& text) {
    const std::size_t second = text.find('\n', text.find('\n') + 1);
    return second == std::string::npos ? text : text.substr(second + 1);
}

struct Check {
    test::RunResult run;
    std::string output;  // the written file's body, empty when none was written
    std::string log;
};

Check RunCheck(const Mesh& input, const std::string& direction) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    test::WriteFile(dir.File("in.srf"), "% a cube\n" + test::SurfaceText(input));
    Check check{test::RunKavoral(dir.Path(), {"-ch", "in.srf", direction, "out.srf"}), "", ""};
    if (test::FileExists(dir.File("out.srf")))
        check.output = Body(test::ReadFile(dir.File("out.srf")));
    check.log = test::ReadFile(dir.File("Kavoral.log"));
    return check;
}

Mesh Reversed(Mesh mesh, std::initializer_list<int> which) {
    for (const int j : which) CSurface::ReverseNodes(mesh.elements[j]);
    return mesh;
}

TEST(CheckSurface, OutwardCubeIsWrittenBackUnchanged) {
    const Check check = RunCheck(meshes::Cube(false), "OUT");
    EXPECT_EQ(check.run.status, 0);
    EXPECT_NE(check.run.output.find(Progress(0, 1, 0, false)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.log, check.run.output);
    EXPECT_EQ(check.output, test::SurfaceText(meshes::Cube(false)));
}

TEST(CheckSurface, InwardTurnsEveryElementOver) {
    const Check check = RunCheck(meshes::Cube(false), "IN");
    EXPECT_EQ(check.run.status, 0);
    EXPECT_NE(check.run.output.find(Progress(0, 1, 0, true)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.output, test::SurfaceText(Reversed(meshes::Cube(false), {0, 1, 2, 3, 4, 5})));
}

TEST(CheckSurface, ReversedFacesAreRepairedWhicheverFaceLeads) {
    // One face other than face 0: that face alone is flipped.
    Check check = RunCheck(Reversed(meshes::Cube(false), {3}), "OUT");
    EXPECT_NE(check.run.output.find(Progress(1, 1, 0, true)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.output, test::SurfaceText(meshes::Cube(false)));
    // Face 0 sets the orientation: the five others follow it, then the whole cube is turned.
    check = RunCheck(Reversed(meshes::Cube(false), {0}), "OUT");
    EXPECT_NE(check.run.output.find(Progress(5, 1, 0, true)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.output, test::SurfaceText(meshes::Cube(false)));
}

TEST(CheckSurface, EachSeparateSurfaceIsTurnedByItself) {
    Mesh mesh = meshes::Cube(false);
    const Mesh inward = Reversed(meshes::Tetrahedron(), {0, 1, 2, 3});
    for (const Vector3 p : inward.points) mesh.points.push_back(p + Vector3{5, 0, 0});
    for (SurfaceElement e : inward.elements) {
        for (int k = 0; k < 3; ++k) e.nodes[k] = static_cast<SurfaceIndex>(e.nodes[k] + 8);
        mesh.elements.push_back(e);
    }
    const Check check = RunCheck(mesh, "OUT");
    EXPECT_EQ(check.run.status, 0);
    EXPECT_NE(check.run.output.find(Progress(0, 2, 0, true)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.output, test::SurfaceText(Reversed(mesh, {6, 7, 8, 9})));
}

TEST(CheckSurface, HalfBoxWithSymmetryPlaneKeepsItsStoredPartAndPlane) {
    Mesh mesh = meshes::Cube(false);
    mesh.elements.pop_back();  // the face in the plane x = 0
    mesh.planePoints = {{0, 0, 0}};
    mesh.planeNormals = {{1, 0, 0}};
    const Check check = RunCheck(mesh, "OUT");
    EXPECT_EQ(check.run.status, 0);
    EXPECT_NE(check.run.output.find(Progress(0, 1, 1, false)), std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.output, test::SurfaceText(mesh));
}

TEST(CheckSurface, FailuresWriteNoFile) {
    Check check = RunCheck(meshes::Cube(false), "out");
    EXPECT_EQ(check.run.status, -2);
    EXPECT_NE(check.run.output.find(
                  "Reading configuration data...Ready\n" +
                  test::ErrorBlock("CGenerator", "CheckSurface", "Bad parameter", "direction")),
              std::string::npos)
        << check.run.output;
    EXPECT_EQ(check.run.output.find("Reading surface data"), std::string::npos);
    EXPECT_EQ(check.output, "");

    Mesh hole = meshes::Cube(false);
    hole.elements.pop_back();
    check = RunCheck(hole, "OUT");
    EXPECT_EQ(check.run.status, -9);
    const std::string tail =
        "Building element adjacency matrix..." +
        test::ErrorBlock("CSurface", "BuildNeighbourMatrix", "Surface not closed!");
    ASSERT_GE(check.run.output.size(), tail.size());
    EXPECT_EQ(check.run.output.substr(check.run.output.size() - tail.size()), tail);
    EXPECT_EQ(check.log, check.run.output);
    EXPECT_EQ(check.output, "");
}

TEST(CheckSurface, SameInputAndOutputNameReplacesTheFile) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    test::WriteFile(dir.File("cube.srf"), test::SurfaceText(Reversed(meshes::Cube(false), {2})));
    const test::RunResult run =
        test::RunKavoral(dir.Path(), {"-ch", "cube.srf", "OUT", "cube.srf"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Body(test::ReadFile(dir.File("cube.srf"))), test::SurfaceText(meshes::Cube(false)));
    EXPECT_FALSE(test::FileExists(dir.File("cube.srf.kavoral-tmp")));

    const test::RunResult missing =
        test::RunKavoral(dir.Path(), {"-ch", "none.srf", "IN", "out.srf"});
    EXPECT_EQ(missing.status, -3);
    EXPECT_NE(missing.output.find(test::ErrorBlock("CSurface", "ReadSurfaceFile",
                                                   "Error opening file", "none.srf")),
              std::string::npos);
}

TEST(CheckSurface, OutputKeepsItsPermissionBitsAndALinkKeepsStanding) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    const std::string repaired = test::SurfaceText(meshes::Cube(false));
    test::WriteFile(dir.File("cube.srf"), test::SurfaceText(Reversed(meshes::Cube(false), {2})));
    fs::permissions(dir.File("cube.srf"), fs::perms(0600));
    test::RunResult run = test::RunKavoral(dir.Path(), {"-ch", "cube.srf", "OUT", "cube.srf"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Body(test::ReadFile(dir.File("cube.srf"))), repaired);
    EXPECT_EQ(fs::status(dir.File("cube.srf")).permissions(), fs::perms(0600));

    fs::create_directory(dir.File("store"));
    fs::create_symlink("store/kept.srf", dir.File("link.srf"));
    run = test::RunKavoral(dir.Path(), {"-ch", "cube.srf", "OUT", "link.srf"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.srf")));
    EXPECT_EQ(Body(test::ReadFile(dir.File("store/kept.srf"))), repaired);
}

}  // namespace
