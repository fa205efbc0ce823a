// The compressed matrix of a synthetic Helmholtz kernel between the points of icospheres (unit
// radius, ka = 1 unless given), or with --surface of the matrix A of the icosphere's surface
// (integrated by the generator; needs Gauss.cfs in the current directory): memory against dense, the largest rank, the entries the
// assembly asks for against n^2, the assembly, the product against a dense product of the same
// entries (measured on a sample of rows and scaled to n), GMRES iterations and times without
// and with the near-field preconditioner, and CGLS with ten rows of interior points added. Times are wall-clock seconds with the processor
// seconds beside them: the machine may be shared.
//
//   CompressedMatrixBench [--surface] [--ka value] [--tolerance value] [--leaf size] [--eta value]
//                         [--recompression f] [--threads n] [levels...]
//   (defaults: ka 1, tolerance 1e-4, leaf size 32, eta 2, recompression 0.5, levels 3 4 5)

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "compressed/HMatrix.h"
#include "compressed/Krylov.h"
#include "compressed/NearFieldPreconditioner.h"
#include "fileio/ConfigData.h"
#include "generator/Generator.h"
#include "meshes/Mesh.h"
#include "surface/Surface.h"

namespace {

struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double Wall() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double Cpu() const { return static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

// 1/2 on the diagonal plus (1 / n) e^{ikr} / r off it: a second-kind operator on the sphere.
struct Kernel {
    std::vector<Vector3> points;
    double k = 1.0;
    Complex Entry(int i, int j) const {
        if (i == j) return {0.5, 0.0};
        const double r =
            Length(points[static_cast<std::size_t>(i)] - points[static_cast<std::size_t>(j)]);
        const double scale = 1.0 / (static_cast<double>(points.size()) * r);
        return {scale * std::cos(k * r), scale * std::sin(k * r)};
    }
};

// The matrix to compress: its entries by block, for the points of the icosphere.
struct Problem {
    std::vector<Vector3> points;
    BlockEntryFunction entries;
    // Rows of the same matrix for points inside the sphere (CHIEF points): count x n.
    std::function<int(const std::vector<Vector3>& inside, std::vector<Complex>& rows)> insideRows;
    // The surface matrices: kept alive while `entries` refers to them.
    std::unique_ptr<CSurface> surface;
    std::unique_ptr<CGenerator> generator;
};

// A of the collocation equations on the icosphere's surface (the system of a surface whose
// velocity is given), from the element integration; false with a message when the surface or
// Gauss.cfs in the current directory does not load.
bool SurfaceProblem(int level, double ka, Problem& problem) {
    ConfigData config;
    std::string console;
    logFile.SetConsoleSink(&console);
    problem.surface = std::make_unique<CSurface>(config);
    meshes::Load(*problem.surface, meshes::Icosphere(1.0, level));
    problem.generator = std::make_unique<CGenerator>(config);
    const bool loaded = problem.surface->PrepareSurface(1) >= 0 &&
                        problem.generator->Init(*problem.surface) >= 0 &&
                        problem.generator->LoadRules() >= 0;
    logFile.SetConsoleSink(nullptr);
    if (!loaded) {
        std::fprintf(stderr, "the surface matrices need Gauss.cfs in the current directory:%s\n",
                     console.c_str());
        return false;
    }
    const CGenerator& generator = *problem.generator;
    const double omega = ka * config.soundVelocity.re;
    const double* solidAngles = problem.surface->solidAngles.data();
    problem.points.assign(generator.points.begin(),
                          generator.points.begin() + generator.pointCount);
    problem.entries = [&generator, omega, solidAngles](const int* rows, int m, const int* columns,
                                                       int n, Complex* target) {
        std::vector<Complex> b(static_cast<std::size_t>(m) * static_cast<std::size_t>(n));
        return generator.ComputeMatrixBlock(omega, generator.points.data(), solidAngles, rows, m,
                                            columns, n, target, b.data());
    };
    problem.insideRows = [&generator, omega](const std::vector<Vector3>& inside,
                                             std::vector<Complex>& rows) {
        const std::size_t size = inside.size() * static_cast<std::size_t>(generator.pointCount);
        rows.resize(size);
        std::vector<Complex> b(size);
        generator.ComputeMatrixRows(omega, inside.data(), nullptr, 0,
                                    static_cast<int>(inside.size()), rows.data(), b.data());
        return 0;
    };
    return true;
}

void Run(int level, double ka, bool surface, double tolerance, int threads, int leafSize,
         double eta, double recompression) {
    Kernel kernel;
    Problem problem;
    if (surface) {
        if (!SurfaceProblem(level, ka, problem)) return;
    } else {
        kernel.points = meshes::Icosphere(1.0, level).points;
        kernel.k = ka;
        problem.points = kernel.points;
        problem.entries = [&kernel](const int* rows, int m, const int* columns, int c,
                                    Complex* target) {
            for (int i = 0; i < m; ++i)
                for (int j = 0; j < c; ++j) target[i * c + j] = kernel.Entry(rows[i], columns[j]);
            return 0;
        };
        problem.insideRows = [&kernel](const std::vector<Vector3>& inside,
                                       std::vector<Complex>& rows) {
            const std::size_t n = kernel.points.size();
            rows.resize(inside.size() * n);
            for (std::size_t i = 0; i < inside.size(); ++i) {
                for (std::size_t j = 0; j < n; ++j) {
                    const double r = Length(inside[i] - kernel.points[j]);
                    const double scale = 1.0 / (static_cast<double>(n) * r);
                    rows[i * n + j] = {scale * std::cos(kernel.k * r),
                                       scale * std::sin(kernel.k * r)};
                }
            }
            return 0;
        };
    }
    const int n = static_cast<int>(problem.points.size());
    std::atomic<long long> requested{0};
    const BlockEntryFunction entries = [&](const int* rows, int m, const int* columns, int c,
                                           Complex* target) {
        requested += static_cast<long long>(m) * c;
        return problem.entries(rows, m, columns, c, target);
    };

    Timer assembly;
    CClusterTree tree;
    if (tree.Build(problem.points.data(), n, leafSize) < 0) return;
    CHMatrix matrix;
    HMatrixOptions options;
    options.tolerance = tolerance;
    options.threads = threads;
    options.eta = eta;
    options.recompression = recompression;
    if (matrix.Assemble(tree, tree, entries, options) < 0) return;
    const double assemblyWall = assembly.Wall();
    const double assemblyCpu = assembly.Cpu();
    const HMatrixStatistics& statistics = matrix.Statistics();

    std::mt19937 random(1);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<Complex> x(static_cast<std::size_t>(n)), y(x.size());
    for (Complex& value : x) value = {uniform(random), uniform(random)};
    const int products = 5;
    Timer product;
    for (int i = 0; i < products; ++i) matrix.Apply(x.data(), y.data());
    const double productWall = product.Wall() / products;
    const double productCpu = product.Cpu() / products;

    // Dense rows of the same entries: the product's time scaled to n rows, and its error.
    const int sampleRows = n < 256 ? n : 256;
    std::vector<int> sample(static_cast<std::size_t>(sampleRows));
    std::vector<int> all(static_cast<std::size_t>(n));
    for (int i = 0; i < sampleRows; ++i) sample[static_cast<std::size_t>(i)] = i * (n / sampleRows);
    for (int j = 0; j < n; ++j) all[static_cast<std::size_t>(j)] = j;
    std::vector<Complex> denseRows(static_cast<std::size_t>(sampleRows) * n);
    if (problem.entries(sample.data(), sampleRows, all.data(), n, denseRows.data()) < 0) return;
    std::vector<Complex> yDense(static_cast<std::size_t>(sampleRows));
    Timer dense;
    for (int i = 0; i < sampleRows; ++i) {
        Complex sum{0.0, 0.0};
        const Complex* row = denseRows.data() + static_cast<std::size_t>(i) * n;
        for (int j = 0; j < n; ++j) sum += row[j] * x[static_cast<std::size_t>(j)];
        yDense[static_cast<std::size_t>(i)] = sum;
    }
    const double denseWall = dense.Wall() * n / sampleRows;
    double error = 0.0;
    double norm = 0.0;
    for (int i = 0; i < sampleRows; ++i) {
        const Complex d = y[static_cast<std::size_t>(sample[static_cast<std::size_t>(i)])] -
                          yDense[static_cast<std::size_t>(i)];
        error += d.re * d.re + d.im * d.im;
        norm += yDense[static_cast<std::size_t>(i)].re * yDense[static_cast<std::size_t>(i)].re +
                yDense[static_cast<std::size_t>(i)].im * yDense[static_cast<std::size_t>(i)].im;
    }

    std::printf(
        "icosphere %d, %s: n %d, ka %g, tolerance %g, leaf size %d, eta %g, recompression %g, "
        "%d threads\n",
        level, surface ? "surface matrix A" : "synthetic kernel", n, ka, tolerance, leafSize, eta,
        recompression, threads);
    std::printf(
        "  memory %.1f MB (%.1f MB low-rank) of %.1f MB dense (%.3f), largest rank %d, %d "
        "low-rank and %d dense blocks (%d admissible kept dense)\n",
        statistics.memoryBytes / 1e6, statistics.lowRankBytes / 1e6, statistics.denseBytes / 1e6,
        statistics.CompressionRatio(), statistics.largestRank, statistics.lowRankBlocks,
        statistics.denseBlocks, statistics.incompressibleBlocks);
    std::printf("  entries asked for: %.3f of n^2; assembly %.2f s wall, %.2f s CPU\n",
                static_cast<double>(requested.load()) / (static_cast<double>(n) * n), assemblyWall,
                assemblyCpu);
    std::printf(
        "  product %.4f s wall, %.4f s CPU; dense product %.4f s wall (ratio %.3f); "
        "relative error %.2e\n",
        productWall, productCpu, denseWall, productWall / denseWall, std::sqrt(error / norm));

    KrylovOptions krylov;
    krylov.tolerance = tolerance * 1e-2;
    for (const int blockSize : {0, 32, 256}) {
        CNearFieldPreconditioner preconditioner;
        Timer build;
        if (blockSize > 0 && preconditioner.Build(matrix, blockSize, threads) < 0) return;
        const double buildWall = build.Wall();
        std::vector<Complex> solution(x.size(), Complex{0.0, 0.0});
        KrylovResult result;
        Timer solve;
        if (SolveGmres(matrix, blockSize > 0 ? &preconditioner : nullptr, x.data(), solution.data(),
                       krylov, result) < 0)
            return;
        if (blockSize == 0)
            std::printf(
                "  GMRES to %g: %d iterations, %.2f s wall, %.2f s CPU, without preconditioner\n",
                krylov.tolerance, result.iterations, solve.Wall(), solve.Cpu());
        else
            std::printf(
                "  GMRES to %g: %d iterations, %.2f s wall, %.2f s CPU, near field of "
                "clusters up to %d (%.1f MB, %.2f s wall to build)\n",
                krylov.tolerance, result.iterations, solve.Wall(), solve.Cpu(), blockSize,
                preconditioner.MemoryBytes() / 1e6, buildWall);
    }
    // Least squares with ten rows of points inside the sphere stacked below, as CHIEF adds them.
    std::vector<Vector3> inside;
    for (int i = 0; i < 10; ++i)
        inside.push_back({0.5 * std::cos(0.7 * i), 0.4 * std::sin(0.7 * i), 0.1 * (i - 5)});
    std::vector<Complex> extraRows;
    if (problem.insideRows(inside, extraRows) < 0) return;
    std::vector<Complex> stacked = x;
    stacked.resize(x.size() + inside.size(), Complex{0.0, 0.0});
    for (const int blockSize : {0, 32}) {
        CNearFieldPreconditioner preconditioner;
        if (blockSize > 0 && preconditioner.Build(matrix, blockSize, threads) < 0) return;
        std::vector<Complex> solution(x.size(), Complex{0.0, 0.0});
        KrylovResult result;
        Timer solve;
        if (SolveLeastSquares(matrix, extraRows.data(), static_cast<int>(inside.size()),
                              blockSize > 0 ? &preconditioner : nullptr, stacked.data(),
                              solution.data(), krylov, result) < 0)
            return;
        std::printf(
            "  CGLS with %zu extra rows to %g: %d iterations%s, %.2f s wall, %.2f s CPU, %s\n",
            inside.size(), krylov.tolerance, result.iterations,
            result.converged ? "" : " (not converged)", solve.Wall(), solve.Cpu(),
            blockSize > 0 ? "near field of clusters up to 32" : "without preconditioner");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    double ka = 1.0;
    double tolerance = 1e-4;
    int threads = 0;
    int leafSize = 32;
    double eta = 2.0;
    double recompression = 0.5;
    bool surface = false;
    std::vector<int> levels;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--surface") == 0) {
            surface = true;
        } else if (std::strcmp(argv[i], "--ka") == 0 && i + 1 < argc) {
            ka = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--tolerance") == 0 && i + 1 < argc) {
            tolerance = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--leaf") == 0 && i + 1 < argc) {
            leafSize = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--recompression") == 0 && i + 1 < argc) {
            recompression = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--eta") == 0 && i + 1 < argc) {
            eta = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
        } else if (std::atoi(argv[i]) > 0) {
            levels.push_back(std::atoi(argv[i]));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--surface] [--ka value] [--tolerance value] [--leaf size] "
                         "[--eta value] "
                         "[--recompression f] [--threads n] [levels...]\n",
                         argv[0]);
            return 2;
        }
    }
    if (levels.empty()) levels = {3, 4, 5};
    for (int level : levels)
        Run(level, ka, surface, tolerance, threads, leafSize, eta, recompression);
    return 0;
}
