// The THREADS key seen from outside: every file of the pipeline is the same byte for byte for 1,
// 2 and 3 threads, and a negative count ends the run before any command.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/SolverFiles.h"
#include "support/TestSupport.h"
#include "meshes/Mesh.h"

namespace {

// A file's content without its leading '%' lines, which carry the date of the run.
std::string WithoutComments(const std::string& content) {
    std::size_t start = 0;
    while (start < content.size() && content[start] == '%') {
        const std::size_t end = content.find('\n', start);
        if (end == std::string::npos) return "";
        start = end + 1;
    }
    return content.substr(start);
}

// The files of -ms, -mm, -xs, -mi and -xm on an icosphere of 162 points (three panels and three
// column blocks of the solver), run with the given THREADS line.
std::map<std::string, std::string> PipelineFiles(const std::string& threadsLine,
                                                 const std::string& encoding) {
    test::TempDir dir;
    test::WriteFile(dir.File("Kavoral.cfg"), test::ConfigText(encoding) + threadsLine);
    test::CopyGaussFile(dir.Path());
    const meshes::Mesh sphere = meshes::Icosphere(1.0, 2);
    EXPECT_TRUE(meshes::WriteSurface(sphere, dir.File("sphere.srf"), "sphere"));
    EXPECT_TRUE(meshes::WriteSurface(meshes::LinePoints({1.5, 0, 0}, {0, 0, 4}, 7),
                                     dir.File("field.ms"), "field"));
    const std::size_t n = sphere.points.size();
    test::WriteExcitationFile(dir.File("e.xct"), std::string(n, 'V'),
                              std::vector<Complex>(n, Complex{1.0, 0.25}));
    const std::vector<std::vector<std::string>> commands = {
        {"-ms", "150", "sphere.srf", "OUT", "s.mtx"},
        {"-mm", "150", "sphere.srf", "OUT", "field.ms", "f.mtx"},
        {"-xs", "s.mtx", "e.xct", "s.res"},
        {"-mi", "s.mtx", "c.mtx"},
        {"-xm", "f.mtx", "s.res", "f.res"}};
    for (const auto& arguments : commands) {
        const test::RunResult run = test::RunKavoral(dir.Path(), arguments);
        EXPECT_EQ(run.status, 0) << arguments[0] << " " << threadsLine << run.output;
    }
    std::map<std::string, std::string> files;
    for (const char* name : {"s.mtx", "f.mtx", "s.res", "c.mtx", "f.res"})
        files[name] = WithoutComments(test::ReadFile(dir.File(name)));
    return files;
}

TEST(ThreadCount, EveryFileIsTheSameForOneTwoAndThreeThreads) {
    for (const char* encoding : {"BINARY", "TEXT"}) {
        const auto one = PipelineFiles("THREADS 1\n", encoding);
        for (const auto& [name, content] : one) EXPECT_FALSE(content.empty()) << name;
        for (const char* threads : {"THREADS 2\n", "THREADS 3\n", ""}) {
            const auto other = PipelineFiles(threads, encoding);
            for (const auto& [name, content] : one)
                EXPECT_TRUE(other.at(name) == content) << name << " " << threads << encoding;
        }
    }
}

TEST(ThreadCount, NegativeCountEndsTheRunAsInvalidData) {
    test::TempDir dir;
    test::WriteFile(dir.File("Kavoral.cfg"), test::ConfigText() + "THREADS -2\n");
    const test::RunResult run = test::RunKavoral(dir.Path(), {"-mi", "s.mtx", "c.mtx"});
    EXPECT_EQ(run.status, -5);
    EXPECT_NE(run.output.find(test::ErrorBlock("CFileIO", "ReadConfigFile", "Invalid data")),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(test::FileExists(dir.File("c.mtx")));
}

}  // namespace
