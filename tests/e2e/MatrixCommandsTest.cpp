// The matrix commands -ms and -mm seen from outside: the binary run in a temporary directory, its
// console, log, exit status and the matrix files it writes, read back with the file layer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "base/Constants.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "surface/Surface.h"
#include "meshes/Mesh.h"
#include "support/SurfaceText.h"

namespace {

struct Matrices {
    int status = -100;
    int rows = 0;
    int columns = 0;
    std::vector<Complex> a;  // row-major
    std::vector<Complex> b;
    Complex A(int r, int c) const { return a[static_cast<std::size_t>(r) * columns + c]; }
    Complex B(int r, int c) const { return b[static_cast<std::size_t>(r) * columns + c]; }
};

Matrices ReadMatrices(const std::string& path, int encoding) {
    Matrices m;
    CFileIO fileIO;
    m.status = fileIO.OpenMatrixFileR(path.c_str(), &m.rows, &m.columns, encoding);
    if (m.status < 0) return m;
    m.a.resize(static_cast<std::size_t>(m.rows) * m.columns);
    m.b.resize(m.a.size());
    for (int r = 0; r < m.rows && m.status >= 0; ++r) {
        m.status = fileIO.ReadMatrixRow(&m.a[static_cast<std::size_t>(r) * m.columns],
                                        &m.b[static_cast<std::size_t>(r) * m.columns]);
    }
    if (m.status >= 0) m.status = fileIO.CloseMatrixFile();
    return m;
}

// A directory with the configuration, the rules and a surface file "surface.srf".
struct Workspace {
    explicit Workspace(const std::string& surfaceText, const std::string& encoding = "TEXT") {
        test::WriteConfig(dir.Path(), encoding);
        test::CopyGaussFile(dir.Path());
        test::WriteFile(dir.File("surface.srf"), surfaceText);
    }
    test::RunResult Run(const std::vector<std::string>& arguments) const {
        return test::RunKavoral(dir.Path(), arguments);
    }
    std::string Log() const { return test::ReadFile(dir.File("Kavoral.log")); }
    test::TempDir dir;
};

std::string CubeText() { return test::SurfaceText(meshes::Cube(false)); }

std::string Counters(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(i) + "/" + std::to_string(count) + "\r";
    return text;
}

// The preparation messages of a closed surface of one sub-boundary without symmetry planes.
std::string PreparationText(int flipped) {
    return "Checking element indices...Ready\n"
           "Reflecting to 0 symmetry planes...Ready\n"
           "Building element adjacency matrix...Ready\n"
           "Searching for subboundaries...Ready\t" +
           std::to_string(flipped) +
           " elements flipped\t1 boundaries found\n"
           "Calculating spheric angles...Ready\n";
}

TEST(SurfaceMatricesCommand, PrintsProgressWithCountersOnTheConsoleOnly) {
    Workspace work(CubeText());
    const test::RunResult run = work.Run({"-ms", "100", "surface.srf", "OUT", "surface.mtx"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string reading = "Reading surface data...Ready\n";
    const std::string calculating = "Calculating matrix elements...";
    const std::size_t start = run.output.find(reading);
    ASSERT_NE(start, std::string::npos) << run.output;
    const std::string commandText = run.output.substr(start);
    const std::size_t prepared = commandText.find(calculating);
    ASSERT_NE(prepared, std::string::npos);
    const std::string progress = calculating + "\n" + Counters(8) + "Ready\n";
    EXPECT_EQ(commandText.substr(prepared, progress.size()), progress);
    // The log has the same lines without the counters and the line break before them.
    const std::string log = work.Log();
    EXPECT_NE(log.find(reading), std::string::npos);
    EXPECT_NE(log.find(calculating + "Ready\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("0/8"), std::string::npos);
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos);
}

TEST(SurfaceMatricesCommand, StaticDoubleLayerRowsOfAClosedSurfaceSumToMinusFourPi) {
    // With the free term, every row of A of a closed outward surface at frequency 0 sums to
    // -4 pi (Gauss's theorem), up to the quadrature error of the elements near the row point.
    std::mt19937 chooser(7);
    meshes::Mesh mesh;
    meshes::AddLatitudeSphere(mesh, 16, 10, false, &chooser);
    for (const std::string encoding : {"BINARY", "TEXT"}) {
        Workspace work(test::SurfaceText(mesh), encoding);
        const test::RunResult run = work.Run({"-ms", "0", "surface.srf", "OUT", "surface.mtx"});
        ASSERT_EQ(run.status, 0) << run.output;
        const Matrices m = ReadMatrices(work.dir.File("surface.mtx"),
                                        encoding == "BINARY" ? matrixFileBinary : matrixFileText);
        ASSERT_EQ(m.status, 0);
        ASSERT_EQ(m.rows, static_cast<int>(mesh.points.size()));
        ASSERT_EQ(m.columns, m.rows);
        double worst = 0.0;
        for (int r = 0; r < m.rows; ++r) {
            double sum = 0.0;
            for (int c = 0; c < m.columns; ++c) {
                sum += m.A(r, c).re;
                EXPECT_EQ(m.A(r, c).im, 0.0);
                // Frequency 0: no B at all.
                EXPECT_EQ(m.B(r, c).re, 0.0);
                EXPECT_EQ(m.B(r, c).im, 0.0);
            }
            worst = std::max(worst, std::fabs(sum + 4 * pi));
        }
        // Measured: 2.5e-4 with DIVISION 0.1 0.5 on this sphere of radius 1.
        EXPECT_LT(worst, 5e-4) << encoding;
    }
}

TEST(SurfaceMatricesCommand, TextAndBinaryFilesHoldTheSameMatrices) {
    Workspace text(CubeText(), "TEXT");
    Workspace binary(CubeText(), "BINARY");
    const std::vector<std::string> arguments = {"-ms", "250", "surface.srf", "OUT", "surface.mtx"};
    ASSERT_EQ(text.Run(arguments).status, 0);
    ASSERT_EQ(binary.Run(arguments).status, 0);
    EXPECT_EQ(test::FileSize(binary.dir.File("surface.mtx")), 8 + 32 * 8 * 8);
    const Matrices t = ReadMatrices(text.dir.File("surface.mtx"), matrixFileText);
    const Matrices b = ReadMatrices(binary.dir.File("surface.mtx"), matrixFileBinary);
    ASSERT_EQ(t.status, 0);
    ASSERT_EQ(b.status, 0);
    ASSERT_EQ(t.a.size(), b.a.size());
    for (std::size_t i = 0; i < t.a.size(); ++i) {
        EXPECT_NEAR(t.a[i].re, b.a[i].re, 5e-7);
        EXPECT_NEAR(t.a[i].im, b.a[i].im, 5e-7);
        EXPECT_NEAR(t.b[i].re, b.b[i].re, 5e-7);
        EXPECT_NEAR(t.b[i].im, b.b[i].im, 5e-7);
    }
    // The cube corner's free term is 7 pi / 2; its own faces give nothing to the diagonal.
    for (int r = 0; r < 8; ++r) EXPECT_NEAR(b.A(r, r).re, -3.5 * pi, 1e-12) << r;
    // B is -j omega DENSITY times the single layer, whose real part 1/R cos(kR) is positive here.
    EXPECT_LT(b.B(0, 0).im, 0.0);
}

TEST(SurfaceMatricesCommand, SymmetryPlaneGivesTheWholeSurfaceColumnsAddedUp) {
    // The upper half of a sphere with the plane z = 0, and the same surface written out whole
    // from the prepared half: each column of the half is the sum of the columns of its images.
    std::mt19937 chooser(3);
    meshes::Mesh half;
    meshes::AddLatitudeSphere(half, 12, 8, true, &chooser);
    half.planePoints.push_back({0, 0, 0});
    half.planeNormals.push_back({0, 0, 1});
    ConfigData config;
    CSurface prepared(config);
    meshes::Load(prepared, half);
    {
        test::ConsoleCapture quiet;
        ASSERT_EQ(prepared.PrepareSurface(1), 0);
    }
    meshes::Mesh whole;
    whole.points.assign(prepared.points.begin(),
                        prepared.points.begin() + prepared.totalPointCount);
    whole.elements = prepared.elements;

    Workspace halfWork(test::SurfaceText(half), "BINARY");
    Workspace wholeWork(test::SurfaceText(whole), "BINARY");
    const std::vector<std::string> arguments = {"-ms", "120", "surface.srf", "OUT", "surface.mtx"};
    ASSERT_EQ(halfWork.Run(arguments).status, 0);
    ASSERT_EQ(wholeWork.Run(arguments).status, 0);
    const Matrices h = ReadMatrices(halfWork.dir.File("surface.mtx"), matrixFileBinary);
    const Matrices w = ReadMatrices(wholeWork.dir.File("surface.mtx"), matrixFileBinary);
    ASSERT_EQ(h.rows, prepared.pointCount);
    ASSERT_EQ(h.columns, prepared.pointCount);
    ASSERT_EQ(w.rows, prepared.totalPointCount);
    for (int r = 0; r < h.rows; ++r) {
        std::vector<Complex> a(h.columns, Complex{0, 0}), b(h.columns, Complex{0, 0});
        for (int c = 0; c < w.columns; ++c) {
            a[prepared.sourcePointIndex[c]] += w.A(r, c);
            b[prepared.sourcePointIndex[c]] += w.B(r, c);
        }
        for (int c = 0; c < h.columns; ++c) {
            EXPECT_NEAR(h.A(r, c).re, a[c].re, 1e-12) << r << " " << c;
            EXPECT_NEAR(h.A(r, c).im, a[c].im, 1e-12) << r << " " << c;
            EXPECT_NEAR(h.B(r, c).re, b[c].re, 1e-9) << r << " " << c;
            EXPECT_NEAR(h.B(r, c).im, b[c].im, 1e-9) << r << " " << c;
        }
    }
}

TEST(SurfaceMatricesCommand, BadDirectionFailsBeforeTheSurfaceIsRead) {
    Workspace work(CubeText());
    for (const std::string direction : {"out", "Out", "OUT ", ""}) {
        const test::RunResult run = work.Run({"-ms", "1", "missing.srf", direction, "surface.mtx"});
        EXPECT_EQ(run.status, Status::badParameter);
        EXPECT_EQ(run.output.find("Reading surface data"), std::string::npos);
        EXPECT_NE(run.output.find(test::ErrorBlock("CGenerator", "GenerateSurfaceMatrices",
                                                   "Bad parameter", "direction")),
                  std::string::npos)
            << run.output;
    }
    const test::RunResult mm =
        work.Run({"-mm", "1", "surface.srf", "in", "points.ms", "points.mtx"});
    EXPECT_EQ(mm.status, Status::badParameter);
    EXPECT_NE(mm.output.find(test::ErrorBlock("CGenerator", "GenerateSurfaceMatrices",
                                              "Bad parameter", "direction")),
              std::string::npos);
    EXPECT_FALSE(test::FileExists(work.dir.File("surface.mtx")));
}

TEST(SurfaceMatricesCommand, FrequencyThatIsNotAFiniteDecimalNumberIsABadParameter) {
    Workspace work(CubeText());
    const std::string report =
        test::ErrorBlock("CGenerator", "GenerateSurfaceMatrices", "Bad parameter", "frequency");
    for (const std::string frequency : {"abc", "1k", "", "0x10", "inf", "nan", "1e400"}) {
        const test::RunResult run = work.Run({"-ms", frequency, "surface.srf", "OUT", "s.mtx"});
        EXPECT_EQ(run.status, Status::badParameter) << frequency;
        EXPECT_NE(run.output.find("Reading configuration data...Ready\n" + report),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("Reading surface data"), std::string::npos);
    }
    const test::RunResult mm =
        work.Run({"-mm", "1 Hz", "surface.srf", "OUT", "points.ms", "points.mtx"});
    EXPECT_EQ(mm.status, Status::badParameter);
    EXPECT_NE(mm.output.find(report), std::string::npos) << mm.output;
    // The direction is checked first: a run wrong in both reports the direction alone.
    const test::RunResult both = work.Run({"-ms", "abc", "surface.srf", "out", "s.mtx"});
    EXPECT_EQ(both.status, Status::badParameter);
    EXPECT_NE(both.output.find(test::ErrorBlock("CGenerator", "GenerateSurfaceMatrices",
                                                "Bad parameter", "direction")),
              std::string::npos);
    EXPECT_EQ(both.output.find("frequency"), std::string::npos);
    EXPECT_FALSE(test::FileExists(work.dir.File("s.mtx")));

    // Zero, negative and white space around the number are valid; 0 Hz makes B zero.
    for (const std::string frequency : {" -250 ", "0"}) {
        const test::RunResult run = work.Run({"-ms", frequency, "surface.srf", "OUT", "s.mtx"});
        EXPECT_EQ(run.status, 0) << frequency << run.output;
    }
    const Matrices m = ReadMatrices(work.dir.File("s.mtx"), matrixFileText);
    ASSERT_EQ(m.status, 0);
    for (const Complex& b : m.b) EXPECT_TRUE(b.re == 0.0 && b.im == 0.0);
}

TEST(SurfaceMatricesCommand, MissingRulesFailAfterTheSurfaceIsPrepared) {
    Workspace work(CubeText());
    std::remove(work.dir.File("Gauss.cfs").c_str());
    const test::RunResult run = work.Run({"-ms", "1", "surface.srf", "OUT", "surface.mtx"});
    EXPECT_EQ(run.status, Status::openError);
    EXPECT_NE(run.output.find(PreparationText(0)), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(
                  test::ErrorBlock("CFileIO", "ReadConfigFile", "Error opening file", "Gauss.cfs")),
              std::string::npos);
    EXPECT_EQ(run.output.find("Calculating matrix elements"), std::string::npos);
    EXPECT_FALSE(test::FileExists(work.dir.File("surface.mtx")));
}

TEST(SurfaceMatricesCommand, MatrixFileThatCannotBeCreatedOrCompletedIsAFailure) {
    Workspace work(CubeText());
    const test::RunResult missingDirectory =
        work.Run({"-ms", "1", "surface.srf", "OUT", "no/such/dir.mtx"});
    EXPECT_EQ(missingDirectory.status, Status::openError);
    EXPECT_EQ(missingDirectory.output.find("Calculating matrix elements"), std::string::npos);
    // A device that takes no data: the text rows cannot be written, which must not pass as
    // success.
    const test::RunResult full = work.Run({"-ms", "1", "surface.srf", "OUT", "/dev/full"});
    EXPECT_EQ(full.status, Status::writeError) << full.output;
    EXPECT_NE(full.output.find("Error writing to file"), std::string::npos);
    EXPECT_EQ(full.output.find("Ready\n00:"), std::string::npos);
}

TEST(MeasuringMatricesCommand, WritesOneRowPerMeasuringPointWithoutFreeTerm) {
    Workspace work(CubeText(), "BINARY");
    // Two measuring points: a cube corner and a point in the field; their elements and a symmetry
    // plane are read but not used.
    test::WriteFile(work.dir.File("points.ms"),
                    "2\n0 0 0 0 0 0 0\n1 3 0.5 -2 0 0 0\n1\n0 3 0 1 1\n1\n0 0 0 0 0 0 1\n");
    const test::RunResult mm =
        work.Run({"-mm", "80", "surface.srf", "OUT", "points.ms", "points.mtx"});
    ASSERT_EQ(mm.status, 0) << mm.output;
    EXPECT_NE(mm.output.find("Reading measuring points...Ready\n"), std::string::npos);
    EXPECT_NE(mm.output.find("Calculating matrix elements...\n0/2\r1/2\rReady\n"),
              std::string::npos);
    ASSERT_EQ(work.Run({"-ms", "80", "surface.srf", "OUT", "surface.mtx"}).status, 0);
    // A points file may end after its last point line.
    test::WriteFile(work.dir.File("short.ms"), "1\n0 0 0 0 0 0 0\n");
    ASSERT_EQ(work.Run({"-mm", "80", "surface.srf", "OUT", "short.ms", "short.mtx"}).status, 0);
    EXPECT_EQ(test::FileSize(work.dir.File("short.mtx")), 8 + 32 * 1 * 8);
    const Matrices points = ReadMatrices(work.dir.File("points.mtx"), matrixFileBinary);
    const Matrices surface = ReadMatrices(work.dir.File("surface.mtx"), matrixFileBinary);
    ASSERT_EQ(points.status, 0);
    EXPECT_EQ(points.rows, 2);
    EXPECT_EQ(points.columns, 8);
    EXPECT_EQ(test::FileSize(work.dir.File("points.mtx")), 8 + 32 * 2 * 8);
    // Point 0 of the cube is (0, 0, 0): the same row as -ms, except for the free term.
    for (int c = 0; c < 8; ++c) {
        const double freeTerm = c == 0 ? 3.5 * pi : 0.0;
        EXPECT_NEAR(points.A(0, c).re, surface.A(0, c).re + freeTerm, 1e-12) << c;
        EXPECT_EQ(points.A(0, c).im, surface.A(0, c).im);
        EXPECT_EQ(points.B(0, c).re, surface.B(0, c).re);
        EXPECT_EQ(points.B(0, c).im, surface.B(0, c).im);
    }
}

TEST(MeasuringMatricesCommand, PointOnAnIntegrationPointGivesNonFiniteEntriesNotAFailure) {
    // The centre of the top face is the middle point of the 3 by 3 rule used for that face.
    Workspace work(CubeText(), "TEXT");
    test::WriteFile(work.dir.File("points.ms"), "1\n0 0.5 0.5 1 0 0 0\n");
    const test::RunResult run =
        work.Run({"-mm", "50", "surface.srf", "OUT", "points.ms", "points.mtx"});
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string text = test::ReadFile(work.dir.File("points.mtx"));
    EXPECT_NE(text.find("nan"), std::string::npos) << text;
}

TEST(MeasuringMatricesCommand, MissingPointsFileIsFoundAfterTheSurfaceIsPrepared) {
    Workspace work(CubeText());
    const test::RunResult run =
        work.Run({"-mm", "1", "surface.srf", "OUT", "missing.ms", "points.mtx"});
    EXPECT_EQ(run.status, Status::openError);
    const std::size_t prepared = run.output.find(PreparationText(0));
    const std::size_t reading = run.output.find("Reading measuring points...");
    ASSERT_NE(prepared, std::string::npos) << run.output;
    ASSERT_NE(reading, std::string::npos);
    EXPECT_LT(prepared, reading);
    EXPECT_EQ(run.output.find("Ready", reading), std::string::npos);
    EXPECT_FALSE(test::FileExists(work.dir.File("points.mtx")));
}

}  // namespace
