// Every command that writes a file, pointed at a device that takes no data: an error status and
// its one report, never success.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/SolverFiles.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"
#include "support/TestSupport.h"

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// A directory with every input a writing command needs: a surface, measuring points, the
// rules, matrix files of the surface (4 points) and of the measuring points, an excitation and
// a surface result.
struct Inputs {
    explicit Inputs(const std::string& encoding) {
        test::WriteConfig(dir.Path(), encoding);
        test::CopyGaussFile(dir.Path());
        test::WriteFile(dir.File("surface.srf"), test::SurfaceText(meshes::Tetrahedron()));
        test::WriteFile(dir.File("points.ms"), "2\n0 3 0 0 0 0 0\n1 0 3 0 0 0 0\n");
        test::WriteMatrixFile(dir.File("surface.mtx"), test::RandomMatrices(4, 4, 7u, 3.0),
                              encoding);
        test::WriteMatrixFile(dir.File("points.mtx"), test::RandomMatrices(2, 4, 8u, 0.0),
                              encoding);
        test::WriteExcitationFile(dir.File("e.xct"), "VVVV", {{1, 0}, {1, 0}, {1, 0}, {1, 0}});
        test::WriteResultFile(dir.File("surface.res"), {{1, 0}, {0, 1}, {1, 1}, {2, 0}},
                              {{0, 1}, {1, 0}, {0, 0}, {1, 2}});
        // -ch replaces a regular file; through a link it writes the device the link leads to.
        std::filesystem::create_symlink("/dev/full", dir.File("full.srf"));
    }
    test::TempDir dir;
};

TEST(FullDevice, EveryWritingCommandFailsWithOneWriteErrorReport) {
    const std::vector<std::vector<std::string>> commands = {
        {"-ms", "100", "surface.srf", "OUT", "/dev/full"},
        {"-mm", "100", "surface.srf", "OUT", "points.ms", "/dev/full"},
        {"-mi", "surface.mtx", "/dev/full"},
        {"-xs", "surface.mtx", "e.xct", "/dev/full"},
        {"-xm", "points.mtx", "surface.res", "/dev/full"},
        {"-ch", "surface.srf", "OUT", "full.srf"},
    };
    for (const char* encoding : {"TEXT", "BINARY"}) {
        Inputs inputs(encoding);
        for (const auto& command : commands) {
            const test::RunResult run = test::RunKavoral(inputs.dir.Path(), command);
            const std::string what = command[0] + " " + encoding;
            EXPECT_EQ(run.status, -7) << what << run.output;
            EXPECT_EQ(Count(run.output, "######## ERROR ########"), 1u) << what << run.output;
            EXPECT_EQ(Count(run.output, "Message:\tError writing to file\n"), 1u) << what;
            // No elapsed time: the run did not end as a success.
            EXPECT_EQ(run.output.find("\n00:00:"), std::string::npos) << what << run.output;
        }
        EXPECT_TRUE(std::filesystem::is_symlink(inputs.dir.File("full.srf")));
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
}

}  // namespace
