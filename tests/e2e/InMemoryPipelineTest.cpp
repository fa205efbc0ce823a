// The pipeline driven in memory gives exactly what the commands give through their files: the
// rows of A and B and the C matrix byte for byte in the binary encoding, the surface and field
// results as the same result file text. Run on a whole sphere and on a half sphere completed by
// its symmetry plane, with every kind of boundary condition.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/Constants.h"
#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "generator/Generator.h"
#include "solver/Solver.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"
#include "support/TestSupport.h"
#include "surface/Preparation.h"

namespace {

const double frequency = 100.0;

// A file's text without its "% Date: " line.
std::string WithoutDate(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::string kept;
    while (std::getline(lines, line)) {
        if (line.rfind("% Date: ", 0) != 0) kept += line + "\n";
    }
    return kept;
}

void WriteMatrices(const char* name, int rows, int columns, const std::vector<Complex>& a,
                   const std::vector<Complex>& b) {
    CFileIO io;
    ASSERT_EQ(io.OpenMatrixFileW(name, rows, columns, matrixFileBinary), 0);
    for (int r = 0; r < rows; ++r) {
        const std::size_t offset = static_cast<std::size_t>(r) * columns;
        ASSERT_EQ(io.WriteMatrixRow(a.data() + offset, b.data() + offset), 0);
    }
    ASSERT_EQ(io.CloseMatrixFile(), 0);
}

// The excitation of point i: the four kinds in turn, values that keep the system regular.
void Excitation(int n, std::vector<std::int16_t>& types, std::vector<Complex>& values,
                std::string& fileText) {
    const char letters[] = {'V', 'Z', 'Y', 'P'};
    fileText = std::to_string(n) + "\n";
    for (int i = 0; i < n; ++i) {
        const char letter = letters[i % 4];
        Complex value{1.0 + 0.125 * (i % 5), 0.25 * (i % 3)};
        if (letter == 'Z') value = {412.0, 16.0 * (i % 3)};
        if (letter == 'Y') value = {1.0 / 412.0, 0.0};
        types.push_back(static_cast<std::int16_t>(ExcitationTypeOfLetter(letter)));
        values.push_back(value);
        std::ostringstream line;
        line.precision(17);
        line << i << " " << letter << " " << value.re << " " << value.im << "\n";
        fileText += line.str();
    }
}

void ExpectSameAsCommands(const meshes::Mesh& mesh) {
    test::TempDir dir;
    test::WriteConfig(dir.Path(), "BINARY");
    test::CopyGaussFile(dir.Path());
    test::WriteFile(dir.File("surface.srf"), test::SurfaceText(mesh));
    meshes::Mesh field;
    for (int i = 0; i < 7; ++i)
        field.points.push_back({0.3 * i - 0.9, 1.5 + 0.1 * i, 2.0 - 0.5 * i});
    test::WriteFile(dir.File("points.ms"), test::SurfaceText(field));

    const std::string f = std::to_string(frequency);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-ms", f, "surface.srf", "OUT", "surface.mtx"},
          std::vector<std::string>{"-mm", f, "surface.srf", "OUT", "points.ms", "points.mtx"},
          std::vector<std::string>{"-mi", "surface.mtx", "surface_C.mtx"}}) {
        const test::RunResult run = test::RunKavoral(dir.Path(), arguments);
        ASSERT_EQ(run.status, 0) << arguments[0] << run.output;
    }

    test::ChangeDir here(dir.Path());
    test::ConsoleCapture console;
    ConfigData config;
    CFileIO configReader;
    ASSERT_EQ(configReader.ReadConfigFile("Kavoral.cfg", config), 0);
    CSurface surface(config);
    ASSERT_EQ(ReadAndPrepareSurface(surface, "surface.srf", 1), 0);
    CGenerator generator(config);
    ASSERT_EQ(generator.Init(surface), 0);
    ASSERT_EQ(generator.LoadRules(), 0);
    const int n = generator.pointCount;
    const double omega = 2.0 * pi * frequency;

    // Surface rows in two blocks, as two threads would compute them.
    std::vector<Complex> a(static_cast<std::size_t>(n) * n);
    std::vector<Complex> b(a.size());
    const int split = n / 3;
    generator.ComputeMatrixRows(omega, generator.points.data(), surface.solidAngles.data(), 0,
                                split, a.data(), b.data());
    generator.ComputeMatrixRows(omega, generator.points.data(), surface.solidAngles.data(), split,
                                n - split, a.data() + static_cast<std::size_t>(split) * n,
                                b.data() + static_cast<std::size_t>(split) * n);
    WriteMatrices("memory.mtx", n, n, a, b);
    EXPECT_EQ(test::ReadFile("memory.mtx"), test::ReadFile("surface.mtx"));

    std::vector<std::int16_t> types;
    std::vector<Complex> values;
    std::string excitationText;
    Excitation(n, types, values, excitationText);
    test::WriteFile("excitation.xct", excitationText);
    {
        const test::RunResult run =
            test::RunKavoral(dir.Path(), {"-xs", "surface.mtx", "excitation.xct", "surface.res"});
        ASSERT_EQ(run.status, 0) << run.output;
        const test::RunResult fieldRun =
            test::RunKavoral(dir.Path(), {"-xm", "points.mtx", "surface.res", "points.res"});
        ASSERT_EQ(fieldRun.status, 0) << fieldRun.output;
    }
    CSolver solver(config);
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    ASSERT_EQ(solver.SolveSurfaceSystem(n, a.data(), b.data(), types.data(), values.data(),
                                        pressures, velocities),
              0);
    CFileIO io;
    ASSERT_EQ(io.WriteResultFile("memory.res", n, pressures.data(), velocities.data(),
                                 "excitation.xct", "surface.mtx"),
              0);
    EXPECT_EQ(WithoutDate(test::ReadFile("memory.res")),
              WithoutDate(test::ReadFile("surface.res")));

    // The field from the rows of the measuring points, without free term. The solution goes
    // through the result file as -xm takes it.
    CSurface points(config);
    ASSERT_EQ(points.ReadSurfaceFile("points.ms"), 0);
    const int m = points.pointCount;
    std::vector<Complex> fieldA(static_cast<std::size_t>(m) * n);
    std::vector<Complex> fieldB(fieldA.size());
    generator.ComputeMatrixRows(omega, points.points.data(), nullptr, 0, m, fieldA.data(),
                                fieldB.data());
    WriteMatrices("memory-points.mtx", m, n, fieldA, fieldB);
    EXPECT_EQ(test::ReadFile("memory-points.mtx"), test::ReadFile("points.mtx"));
    int count = 0;
    std::vector<Complex> filePressures;
    std::vector<Complex> fileVelocities;
    ASSERT_EQ(io.ReadResultFile("surface.res", count, filePressures, fileVelocities), 0);
    ASSERT_EQ(count, n);
    std::vector<Complex> fieldPressures(static_cast<std::size_t>(m));
    CSolver::GetFieldPressures(m, n, fieldA.data(), fieldB.data(), filePressures.data(),
                               fileVelocities.data(), fieldPressures.data());
    ASSERT_EQ(io.WriteResultFile("memory-points.res", m, fieldPressures.data(), nullptr,
                                 "surface.res", "points.mtx"),
              0);
    EXPECT_EQ(WithoutDate(test::ReadFile("memory-points.res")),
              WithoutDate(test::ReadFile("points.res")));

    // C = A^-1 B overwrites its inputs.
    ASSERT_EQ(solver.ComputeCMatrix(n, a.data(), b.data()), 0);
    std::vector<Complex*> rows;
    for (int r = 0; r < n; ++r) rows.push_back(b.data() + static_cast<std::size_t>(r) * n);
    ASSERT_EQ(io.WriteCMatrixFile("memory_C.mtx", rows.data(), n, matrixFileBinary), 0);
    EXPECT_EQ(test::ReadFile("memory_C.mtx"), test::ReadFile("surface_C.mtx"));
    EXPECT_EQ(console.Reports(), 0);
}

TEST(InMemoryPipeline, SphereGivesWhatTheCommandsGive) {
    meshes::Mesh mesh;
    std::mt19937 quads(7);
    meshes::AddLatitudeSphere(mesh, 8, 6, false, &quads);
    ExpectSameAsCommands(mesh);
}

TEST(InMemoryPipeline, HalfSphereWithSymmetryPlaneGivesWhatTheCommandsGive) {
    meshes::Mesh mesh;
    meshes::AddLatitudeSphere(mesh, 8, 6, true, nullptr);
    mesh.planePoints.push_back({0.0, 0.0, 0.0});
    mesh.planeNormals.push_back({0.0, 0.0, 1.0});
    ExpectSameAsCommands(mesh);
}

}  // namespace
