// Speed of the dense complex solver on random diagonally dominant systems, each figure beside
// LAPACK's routine from OpenBLAS on the same matrix in the same run (when the build found
// OpenBLAS and LAPACKE: libopenblas-dev, liblapacke-dev): the factorisation against zgetrf, one
// substitution against zgetrs, and with --columns the n right-hand sides of the C matrix command
// against zgetrs with n right-hand sides, each on 1 and 2 threads. Figures are the best of
// --repeat runs: wall time, and for one thread also the CPU time of the calling thread (which
// does all the work then), which a loaded machine disturbs less. The ratio is the reference's
// time over ours (1 = as fast as OpenBLAS). LAPACKE's _work entry points skip its scan of the
// input for NaN, which is no part of the work compared.
// It also prints the speed of the register tile alone at the start and the end: the LU's GFLOP/s
// over it tell how much of what the processor gave at the time the factorisation used.
// Usage: LinEquBench [--repeat R] [--columns] [n ...]   (default 1000 2000 3000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "base/Doubles.h"
#include "base/LogFile.h"
#include "solver/LinEqu.h"
#include "solver/ProductKernel.h"

#ifdef KAVORAL_BENCH_LAPACKE
struct LapackComplexFloat {
    float re, im;
};
#define lapack_complex_float LapackComplexFloat
#define lapack_complex_double Complex
#include <lapacke.h>
extern "C" void openblas_set_num_threads(int threads);
extern "C" char* openblas_get_corename(void);
#endif

namespace {

struct Rows {
    // rowCount rows of `columns` entries (as many as rows by default).
    explicit Rows(int rowCount, int columns = 0) {
        if (columns == 0) columns = rowCount;
        entries.resize(static_cast<std::size_t>(rowCount) * columns);
        for (int i = 0; i < rowCount; ++i)
            rows.push_back(entries.data() + static_cast<std::size_t>(i) * columns);
    }
    Rows(const Rows& other) : entries(other.entries) {
        for (Complex* row : other.rows)
            rows.push_back(entries.data() + (row - other.entries.data()));
    }
    Rows& operator=(const Rows&) = delete;
    std::vector<Complex> entries;
    std::vector<Complex*> rows;
};

void Fill(Rows& matrix, unsigned seed, double diagonal) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (Complex& entry : matrix.entries) entry = {uniform(random), uniform(random)};
    for (std::size_t i = 0; i < matrix.rows.size(); ++i) matrix.rows[i][i].re += diagonal;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ThreadCpuSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + 1e-9 * static_cast<double>(time.tv_nsec);
}

struct Timing {
    double wall = -1.0;  // negative: the run failed
    double cpu = -1.0;
};

// The best wall and CPU times of `repeat` runs of run(matrix) on fresh copies of `original`,
// each run `inner` times in a row (for runs too short to time one by one).
template <class Run>
Timing Best(const Rows& original, int repeat, const Run& run, int inner = 1) {
    Timing best;
    for (int i = 0; i < repeat; ++i) {
        Rows matrix(original);
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        for (int j = 0; j < inner; ++j)
            if (!run(matrix)) return Timing{};
        const double wall = Seconds(start) / inner;
        const double cpu = (ThreadCpuSeconds() - cpuStart) / inner;
        if (i == 0 || wall < best.wall) best.wall = wall;
        if (i == 0 || cpu < best.cpu) best.cpu = cpu;
    }
    return best;
}

// One line of figures: ours, and where there is one, the reference and the ratios.
void PrintLine(int n, int threads, const char* what, double flops, Timing ours, Timing reference) {
    std::printf("%6d %7d %-9s %10.4f %9.2f", n, threads, what, ours.wall, flops / ours.wall * 1e-9);
    if (reference.wall > 0) {
        std::printf(" %10.4f %9.2f %7.2f", reference.wall, flops / reference.wall * 1e-9,
                    reference.wall / ours.wall);
        if (threads == 1) std::printf(" %7.2f", reference.cpu / ours.cpu);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// GFLOP/s of the LU's register tile alone, its sources in the nearest cache: the most one thread
// of the factorisation can do on this machine at this moment. A virtual machine whose cores are
// shared with other work can give the same code half of it from one minute to the next.
double TileGflops() {
    constexpr int depth = 64;
    constexpr std::size_t stride = static_cast<std::size_t>(tileVectors) * dualDoubles;
    alignas(64) static Complex entries[tileRows][tileVectors * complexLanes];
    alignas(64) static Complex factors[tileRows][depth];
    alignas(64) static double packed[depth * stride];
    for (int r = 0; r < tileRows; ++r) {
        for (Complex& entry : entries[r]) entry = {1.0, 1.0};
        for (int k = 0; k < depth; ++k) factors[r][k] = {1e-3 * k, 1e-3};
    }
    for (double& value : packed) value = 1e-3;
    Complex* rows[tileRows];
    const Complex* rowFactors[tileRows];
    for (int r = 0; r < tileRows; ++r) {
        rows[r] = entries[r];
        rowFactors[r] = factors[r];
    }
    constexpr long calls = 200000;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < calls; ++i) {
        SubtractTile<tileRows, tileVectors>(rows, 0, rowFactors, packed, stride, depth);
        asm volatile("" ::: "memory");  // every call's stores and loads happen
    }
    const double flops = 8.0 * calls * depth * tileRows * tileVectors * complexLanes;
    return flops / Seconds(start) * 1e-9;
}

void PrintTile(const char* when) {
    std::printf("register tile alone (sources in the nearest cache), %s: %.1f GFLOP/s\n", when,
                TileGflops());
}

void PrintLoad() {
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    char text[128] = "";
    if (file != nullptr) {
        if (std::fgets(text, sizeof text, file) == nullptr) text[0] = '\0';
        std::fclose(file);
    }
    std::printf("load average at start: %s", text[0] != '\0' ? text : "unknown\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    int repeat = 1;
    bool columns = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--columns") == 0) {
            columns = true;
        } else {
            sizes.push_back(std::atoi(argv[i]));
        }
    }
    if (sizes.empty()) sizes = {1000, 2000, 3000};
    if (repeat < 1) repeat = 1;

    std::string sink;  // the progress counters are not part of the figures
    logFile.SetConsoleSink(&sink);
    PrintLoad();
    std::printf("instruction set of this build: %s (%d doubles per vector)\n",
                doublesInstructionSet, doublesLanes);
    PrintTile("at start");
#ifdef KAVORAL_BENCH_LAPACKE
    // A core type or cache size set in the environment overrides OpenBLAS's own choice for this
    // processor, often with slower kernels: the line says so.
    const char* coreType = std::getenv("OPENBLAS_CORETYPE");
    const char* cacheSize = std::getenv("OPENBLAS_L2_SIZE");
    std::printf("reference: OpenBLAS kernels for %s", openblas_get_corename());
    if (coreType != nullptr) std::printf(", as OPENBLAS_CORETYPE=%s asks", coreType);
    if (cacheSize != nullptr) std::printf(", blocked for OPENBLAS_L2_SIZE=%s", cacheSize);
    std::printf("\n");
    std::printf("%6s %7s %-9s %10s %9s %10s %9s %7s %7s\n", "n", "threads", "step", "ours [s]",
                "GFLOP/s", "ref. [s]", "GFLOP/s", "ratio", "CPU");
#else
    std::printf("%6s %7s %-9s %10s %9s   (no OpenBLAS and LAPACKE in this build)\n", "n", "threads",
                "step", "ours [s]", "GFLOP/s");
#endif
    for (int n : sizes) {
        if (n <= 0) continue;
        Rows original(n);
        Fill(original, 1u, 2.0 * n);
        const double cube = static_cast<double>(n) * n * n;
        // Factors of both kinds for the substitutions; LAPACK's from the column-major view of
        // the same entries, the transposed matrix, just as dominant, so that partial pivoting
        // exchanges nothing and the work is the same.
        Rows factors(original);
        CLinEqu(1).LUDecompose(factors.rows.data(), n);
        sink.clear();
        Rows rightHandSides(n);
        Fill(rightHandSides, 2u, 0.0);
        Rows oneColumn(1, n);
        std::memcpy(oneColumn.entries.data(), rightHandSides.entries.data(), n * sizeof(Complex));
#ifdef KAVORAL_BENCH_LAPACKE
        Rows lapackFactors(original);
        std::vector<lapack_int> pivots(n);
        LAPACKE_zgetrf_work(LAPACK_COL_MAJOR, n, n, lapackFactors.entries.data(), n, pivots.data());
#endif
        // One substitution takes a few milliseconds: timed over enough of them for a figure.
        const int substitutions = static_cast<int>(1 + 2e9 / (8.0 * n * n));
        for (int threads : {1, 2}) {
            Timing reference;
            const Timing lu = Best(original, repeat, [&](Rows& matrix) {
                CLinEqu linEqu(threads);
                const bool ok = linEqu.LUDecompose(matrix.rows.data(), n) == 0;
                sink.clear();
                return ok;
            });
            if (lu.wall < 0) return 1;
#ifdef KAVORAL_BENCH_LAPACKE
            openblas_set_num_threads(threads);
            reference = Best(original, repeat, [&](Rows& matrix) {
                return LAPACKE_zgetrf_work(LAPACK_COL_MAJOR, n, n, matrix.entries.data(), n,
                                           pivots.data()) == 0;
            });
#endif
            PrintLine(n, threads, "LU", 8.0 * cube / 3.0, lu, reference);

            // The substitution of one right-hand side runs on one thread whatever the count.
            if (threads == 1) {
                const Timing one = Best(
                    oneColumn, repeat,
                    [&](Rows& column) {
                        CLinEqu linEqu(1);
                        return linEqu.LUSubstitute(factors.rows.data(), column.entries.data(), n) ==
                               0;
                    },
                    substitutions);
#ifdef KAVORAL_BENCH_LAPACKE
                reference = Best(
                    oneColumn, repeat,
                    [&](Rows& column) {
                        return LAPACKE_zgetrs_work(LAPACK_COL_MAJOR, 'N', n, 1,
                                                   lapackFactors.entries.data(), n, pivots.data(),
                                                   column.entries.data(), n) == 0;
                    },
                    substitutions);
#endif
                PrintLine(n, threads, "solve", 8.0 * n * n, one, reference);
            }
            if (!columns) continue;
            // n right-hand sides, as the C matrix command solves them.
            const Timing many = Best(rightHandSides, repeat, [&](Rows& matrix) {
                CLinEqu linEqu(threads);
                std::vector<Complex> workspace(linEqu.ColumnWorkspaceSize(n, n));
                return linEqu.LUSubstituteColumns(factors.rows.data(), matrix.rows.data(), n, 0, n,
                                                  workspace.data()) == 0;
            });
            if (many.wall < 0) return 1;
#ifdef KAVORAL_BENCH_LAPACKE
            reference = Best(rightHandSides, repeat, [&](Rows& matrix) {
                return LAPACKE_zgetrs_work(LAPACK_COL_MAJOR, 'N', n, n,
                                           lapackFactors.entries.data(), n, pivots.data(),
                                           matrix.entries.data(), n) == 0;
            });
#endif
            PrintLine(n, threads, "columns", 8.0 * cube, many, reference);
        }
    }
    PrintTile("at end");
    logFile.SetConsoleSink(nullptr);
    return 0;
}
