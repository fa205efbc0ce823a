// Times the surface matrices of an icosphere as -ms computes them: the preparation (surface
// pipeline, element geometry, rules), the integration of all rows, and the matrix file output in
// both encodings, and counts the kernel evaluations per second. Times are processor seconds,
// except for the rows on 1 and on 2 threads (as -ms streams them, the output left out), which are
// wall-clock seconds (the shortest of three runs each) and give the speed-up: run it on a quiet
// machine.
//
//   SurfaceMatricesBench [--discard] [subdivisions...]   (default 4: 2562 points; 5: 10242)
//
// With --discard the matrix files go to /dev/null: the output time is then the formatting alone
// (a 10242-point surface would need 8 GB of disk for its two files).
// Works in a scratch directory below the current one; takes Gauss.cfs from the current directory
// or from beside the Kavoral binary of the build.

#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "meshes/Mesh.h"
#include "fileio/FileIO.h"
#include "generator/Generator.h"
#include "generator/ThreadedRows.h"

namespace {

// Processor time of this process: the machine may be shared, and the figures should not
// depend on what else runs.
struct Clock {
    using time_point = std::clock_t;
    static time_point now() { return std::clock(); }
};

double Seconds(Clock::time_point start) {
    return static_cast<double>(Clock::now() - start) / CLOCKS_PER_SEC;
}

// Gauss.cfs from the current directory, else the one the build puts beside the Kavoral binary.
std::filesystem::path GaussFileSource(const char* program) {
    const std::filesystem::path here = std::filesystem::absolute("Gauss.cfs");
    if (std::filesystem::exists(here)) return here;
    const std::filesystem::path bench = std::filesystem::absolute(program).parent_path();
    for (const std::filesystem::path& candidate :
         {bench.parent_path() / "Gauss.cfs", bench / "Gauss.cfs"}) {
        if (std::filesystem::exists(candidate)) return candidate;
    }
    return here;
}

// Rule sizes of the rows, counted apart from the timing.
double KernelEvaluations(const CGenerator& generator) {
    double count = 0.0;
    for (int p = 0; p < generator.pointCount; ++p) {
        for (int e = 0; e < generator.totalElementCount; ++e) {
            const SurfaceElement& element = generator.elements[e];
            const int rule = generator.RuleIndex(generator.points[p], element);
            count += static_cast<double>(element.nodeCount == 3
                                             ? generator.gaussTable.triW[rule].size()
                                             : generator.gaussTable.quadW[rule].size());
        }
    }
    return count;
}

constexpr int timingRounds = 3;

// Wall-clock seconds for all rows on the given number of threads, streamed as -ms streams them
// to its file, here to nothing.
double StreamedRowsSeconds(const CGenerator& generator, const double* solidAngles, double omega,
                           int threads) {
    const std::size_t ring =
        static_cast<std::size_t>(StreamRowCapacity(threads)) * generator.pointCount;
    std::vector<Complex> a(ring);
    std::vector<Complex> b(ring);
    const auto start = std::chrono::steady_clock::now();
    StreamMatrixRows(generator, threads, omega, generator.points.data(), solidAngles,
                     generator.pointCount, a.data(), b.data(),
                     [](int, const Complex*, const Complex*) { return 0; });
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Run(int subdivisions, const std::filesystem::path& gaussFile, bool discard) {
    const meshes::Mesh mesh = meshes::Icosphere(1.0, subdivisions);
    ConfigData config;  // DIVISION 0.1 0.5 on the unit sphere
    std::string console;
    logFile.SetConsoleSink(&console);  // the pipeline's progress lines stay quiet
    const auto fail = [&]() {
        logFile.SetConsoleSink(nullptr);
        std::fprintf(stderr, "icosphere %d failed:%s\n", subdivisions, console.c_str());
        return 1;
    };

    const Clock::time_point prepareStart = Clock::now();
    CSurface surface(config);
    meshes::Load(surface, mesh);
    if (surface.PrepareSurface(1) < 0) return fail();
    CGenerator generator(config);
    const double omega = AngularFrequency(200.0);
    if (generator.Init(surface) < 0) return fail();
    std::filesystem::copy_file(gaussFile, "Gauss.cfs",
                               std::filesystem::copy_options::overwrite_existing);
    if (generator.LoadRules() < 0) return fail();
    const double prepareTime = Seconds(prepareStart);

    const int n = generator.pointCount;
    std::vector<Complex> rowA(static_cast<std::size_t>(n));
    std::vector<Complex> rowB(static_cast<std::size_t>(n));
    double integrateTime = 0.0;
    double writeTime[2] = {0.0, 0.0};
    long long bytes[2] = {0, 0};
    CFileIO files[2];
    const char* names[2] = {"bench-text.mtx", "bench-binary.mtx"};
    if (discard) names[0] = names[1] = "/dev/null";
    for (int mode = 0; mode < 2; ++mode) {
        if (files[mode].OpenMatrixFileW(names[mode], n, n, mode) < 0) return fail();
    }
    for (int p = 0; p < n; ++p) {
        const Clock::time_point rowStart = Clock::now();
        generator.ComputeMatrixRows(omega, generator.points.data(), surface.solidAngles.data(), p,
                                    1, rowA.data(), rowB.data());
        integrateTime += Seconds(rowStart);
        for (int mode = 0; mode < 2; ++mode) {
            const Clock::time_point writeStart = Clock::now();
            if (files[mode].WriteMatrixRow(rowA.data(), rowB.data()) < 0) return fail();
            writeTime[mode] += Seconds(writeStart);
        }
    }
    for (int mode = 0; mode < 2; ++mode) {
        const Clock::time_point closeStart = Clock::now();
        if (files[mode].CloseMatrixFile() < 0) return fail();
        writeTime[mode] += Seconds(closeStart);
        if (discard) continue;
        bytes[mode] = static_cast<long long>(std::filesystem::file_size(names[mode]));
        std::filesystem::remove(names[mode]);
    }
    logFile.SetConsoleSink(nullptr);

    const double evaluations = KernelEvaluations(generator);
    std::printf("icosphere %d: %d points, %d triangles, %lld matrix entries\n", subdivisions, n,
                generator.totalElementCount, static_cast<long long>(n) * n);
    std::printf("  preparation      %8.3f s  (surface pipeline, element geometry, rules)\n",
                prepareTime);
    std::printf("  integration      %8.3f s  %.3g kernel evaluations, %.3g per second\n",
                integrateTime, evaluations, evaluations / integrateTime);
    // One and two threads taken by turns, three times, and the shortest time of each: a
    // neighbour's burst on a shared machine slows one run, not all three.
    double wall[2] = {1e300, 1e300};
    for (int round = 0; round < timingRounds; ++round) {
        for (int threads = 1; threads <= 2; ++threads) {
            const double seconds =
                StreamedRowsSeconds(generator, surface.solidAngles.data(), omega, threads);
            if (seconds < wall[threads - 1]) wall[threads - 1] = seconds;
        }
    }
    for (int threads = 1; threads <= 2; ++threads) {
        std::printf("  rows, %d thread%s  %8.3f s  wall clock, %.3g kernel evaluations per second",
                    threads, threads == 1 ? " " : "s", wall[threads - 1],
                    evaluations / wall[threads - 1]);
        if (threads == 2) std::printf(", speed-up %.2f x", wall[0] / wall[1]);
        std::printf("\n");
    }
    const char* encodings[2] = {"text", "binary"};
    for (int mode = 0; mode < 2; ++mode) {
        std::printf("  %-6s output    %8.3f s  ", encodings[mode], writeTime[mode]);
        if (discard) {
            std::printf("(to /dev/null)\n");
        } else {
            std::printf("%.1f MB\n", bytes[mode] / 1e6);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> levels;
    bool discard = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--discard") {
            discard = true;
        } else {
            levels.push_back(std::atoi(argv[i]));
        }
    }
    if (levels.empty()) levels.push_back(4);
    const std::filesystem::path gaussFile = GaussFileSource(argv[0]);
    if (!std::filesystem::exists(gaussFile)) {
        std::fprintf(stderr, "no Gauss.cfs in the current directory or the build directory\n");
        return 2;
    }
    const std::filesystem::path work = std::filesystem::absolute("surface-matrices-bench");
    std::filesystem::create_directories(work);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(work);
    int status = 0;
    for (int level : levels) {
        if (level < 0 || level > 5) {
            std::fprintf(stderr, "subdivisions must be 0 to 5 (16-bit point indices)\n");
            status = 2;
            break;
        }
        status = Run(level, gaussFile, discard);
        if (status != 0) break;
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(work);
    return status;
}
