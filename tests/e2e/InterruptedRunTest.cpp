// Runs killed part-way through writing their output: the input stays intact, and a later command
// that reads the unfinished output fails with its report instead of using it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/SolverFiles.h"
#include "support/SurfaceText.h"
#include "support/TestSupport.h"

namespace {

// How a run ended: the signal that ended it, or 0 and its exit status.
struct Ending {
    int signal = 0;
    int status = 0;
};

// Runs the program in `directory`, its console discarded. With a `fileSizeLimit` the system
// ends it with SIGXFSZ in the middle of the first write that would take a file beyond that many
// bytes; with `killWhen` it is sent SIGKILL as soon as killWhen() holds.
Ending RunAndInterrupt(const std::string& directory, const std::vector<std::string>& arguments,
                       long fileSizeLimit, const std::function<bool()>& killWhen) {
    const pid_t child = ::fork();
    if (child < 0) return {-1, 0};
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        if (::chdir(directory.c_str()) != 0) ::_exit(127);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        if (fileSizeLimit > 0) {
            const rlimit size{static_cast<rlim_t>(fileSizeLimit),
                              static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &size);
        }
        std::vector<char*> argv{const_cast<char*>(KAVORAL_BINARY)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(KAVORAL_BINARY, argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    int waitStatus = 0;
    while (::waitpid(child, &waitStatus, WNOHANG) == 0) {
        if ((killWhen && killWhen()) || std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &waitStatus, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (WIFSIGNALED(waitStatus)) return {WTERMSIG(waitStatus), 0};
    return {0, static_cast<signed char>(WEXITSTATUS(waitStatus))};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A sphere of 266 points facing outward: large enough that writing its matrices takes a while.
std::string SphereText() {
    meshes::Mesh mesh;
    meshes::AddLatitudeSphere(mesh, 24, 12, false, nullptr);
    return test::SurfaceText(mesh);
}
constexpr int spherePoints = 24 * 11 + 2;

struct Workspace {
    explicit Workspace(const std::string& encoding) {
        test::WriteConfig(dir.Path(), encoding);
        test::CopyGaussFile(dir.Path());
        test::WriteFile(dir.File("sphere.srf"), SphereText());
        test::WriteExcitationFile(dir.File("e.xct"), std::string(spherePoints, 'V'),
                                  std::vector<Complex>(spherePoints, Complex{1.0, 0.0}));
    }
    test::RunResult Run(const std::vector<std::string>& arguments) const {
        return test::RunKavoral(dir.Path(), arguments);
    }
    test::TempDir dir;
};

TEST(InterruptedRun, MatrixFileOfAKilledSurfaceMatrixRunIsRefusedByTheSolver) {
    for (const char* encoding : {"TEXT", "BINARY"}) {
        Workspace work(encoding);
        const std::string matrix = work.dir.File("sphere.mtx");
        const Ending ending =
            RunAndInterrupt(work.dir.Path(), {"-ms", "100", "sphere.srf", "OUT", "sphere.mtx"}, 0,
                            [&] { return test::FileSize(matrix) > 0; });
        ASSERT_EQ(ending.signal, SIGKILL) << encoding << " finished before it was killed";
        EXPECT_EQ(test::ReadFile(work.dir.File("sphere.srf")), SphereText());
        ASSERT_GT(test::FileSize(matrix), 0);

        const test::RunResult solve = work.Run({"-xs", "sphere.mtx", "e.xct", "sphere.res"});
        EXPECT_EQ(solve.status, -6) << encoding << solve.output;
        EXPECT_TRUE(
            Contains(solve.output, test::ErrorBlock("CFileIO", "ReadMatrixRow", "Bad input file")))
            << solve.output;
        EXPECT_FALSE(test::FileExists(work.dir.File("sphere.res")));
        const test::RunResult invert = work.Run({"-mi", "sphere.mtx", "sphere_C.mtx"});
        EXPECT_EQ(invert.status, -6) << encoding << invert.output;
    }
}

TEST(InterruptedRun, SurfaceCheckKilledWhileReplacingItsInputLeavesTheInputWhole) {
    Workspace work("TEXT");
    const std::string input = work.dir.File("sphere.srf");
    const std::string temporary = input + ".kavoral-tmp";
    // Killed by the system in the middle of writing the temporary file (its size limit is far
    // below the surface's 17 kB), and killed as soon as the temporary file shows up.
    Ending ending =
        RunAndInterrupt(work.dir.Path(), {"-ch", "sphere.srf", "IN", "sphere.srf"}, 8192, nullptr);
    ASSERT_EQ(ending.signal, SIGXFSZ);
    EXPECT_EQ(test::ReadFile(input), SphereText());
    EXPECT_EQ(test::FileSize(temporary), 8192);
    std::filesystem::remove(temporary);
    ending = RunAndInterrupt(work.dir.Path(), {"-ch", "sphere.srf", "IN", "sphere.srf"}, 0,
                             [&] { return test::FileExists(temporary); });
    // Either the old surface stands or, had the run already renamed it, the complete new one.
    const std::string after = test::ReadFile(input);
    if (after != SphereText()) {
        EXPECT_EQ(after.rfind("% Surface File generated by Kavoral\n", 0), 0u);
        EXPECT_EQ(after.substr(after.size() - 2), "\n0\n");
    }

    // A later run is not disturbed by what the killed one left beside the file.
    const test::RunResult again = work.Run({"-ch", "sphere.srf", "IN", "sphere.srf"});
    EXPECT_EQ(again.status, 0) << again.output;
    const test::RunResult matrices = work.Run({"-ms", "100", "sphere.srf", "IN", "sphere.mtx"});
    EXPECT_EQ(matrices.status, 0) << matrices.output;
}

TEST(InterruptedRun, ResultOfAKilledSurfaceSolutionIsRefusedByTheFieldCommand) {
    Workspace work("BINARY");
    ASSERT_EQ(work.Run({"-ms", "100", "sphere.srf", "OUT", "sphere.mtx"}).status, 0);
    test::WriteMatrixFile(work.dir.File("points.mtx"),
                          test::RandomMatrices(2, spherePoints, 3u, 0.0), "BINARY");
    const std::string matrix = test::ReadFile(work.dir.File("sphere.mtx"));
    // The result file is about 13 kB: the run ends in the middle of writing it.
    const Ending ending = RunAndInterrupt(
        work.dir.Path(), {"-xs", "sphere.mtx", "e.xct", "sphere.res"}, 4096 + 100, nullptr);
    ASSERT_EQ(ending.signal, SIGXFSZ);
    EXPECT_EQ(test::ReadFile(work.dir.File("sphere.mtx")), matrix);
    EXPECT_EQ(test::FileSize(work.dir.File("sphere.res")), 4096 + 100);

    const test::RunResult field = work.Run({"-xm", "points.mtx", "sphere.res", "points.res"});
    EXPECT_EQ(field.status, -5) << field.output;
    EXPECT_TRUE(Contains(field.output, test::ErrorBlock("CFileIO", "ReadResultFile", "Invalid data",
                                                        "result index")))
        << field.output;
    EXPECT_FALSE(test::FileExists(work.dir.File("points.res")));
}

}  // namespace
