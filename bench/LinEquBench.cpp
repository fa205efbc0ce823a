// Speed of the dense complex solver on random diagonally dominant systems: the factorisation on
// 1 and 2 threads beside LAPACK's zgetrf from OpenBLAS on the same matrix in the same run (when
// the build found OpenBLAS and LAPACKE; bench/lu-bench.sh sees to that), and with --columns the
// C matrix case of n right-hand sides. Figures are wall times, the best of --repeat runs.
// Usage: LinEquBench [--repeat R] [--columns] [n ...]   (default 1000 2000 3000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "solver/LinEqu.h"

#ifdef KAVORAL_BENCH_LAPACKE
struct LapackComplexFloat {
    float re, im;
};
#define lapack_complex_float LapackComplexFloat
#define lapack_complex_double Complex
#include <lapacke.h>
extern "C" void openblas_set_num_threads(int threads);
#endif

namespace {

struct Rows {
    explicit Rows(int n) : entries(static_cast<std::size_t>(n) * n), rows(n) {
        for (int i = 0; i < n; ++i) rows[i] = entries.data() + static_cast<std::size_t>(i) * n;
    }
    std::vector<Complex> entries;
    std::vector<Complex*> rows;
};

void Fill(Rows& matrix, int n, unsigned seed, double diagonal) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (Complex& entry : matrix.entries) entry = {uniform(random), uniform(random)};
    for (int i = 0; i < n; ++i) matrix.rows[i][i].re += diagonal;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best wall time of `repeat` runs of run(matrix) on fresh copies of `original`.
template <class Run>
double Best(const Rows& original, int n, int repeat, const Run& run) {
    double best = 0.0;
    for (int i = 0; i < repeat; ++i) {
        Rows matrix(n);
        std::memcpy(matrix.entries.data(), original.entries.data(),
                    original.entries.size() * sizeof(Complex));
        const auto start = std::chrono::steady_clock::now();
        if (!run(matrix)) return -1.0;
        const double time = Seconds(start);
        if (i == 0 || time < best) best = time;
    }
    return best;
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
#ifdef KAVORAL_BENCH_LAPACKE
    std::printf("%6s %7s %10s %9s %12s %9s %9s\n", "n", "threads", "LU [s]", "GFLOP/s",
                "zgetrf [s]", "GFLOP/s", "LU/zgetrf");
#else
    std::printf("%6s %7s %10s %9s   (no OpenBLAS in this build: run bench/lu-bench.sh)\n", "n",
                "threads", "LU [s]", "GFLOP/s");
#endif
    for (int n : sizes) {
        if (n <= 0) continue;
        Rows original(n);
        Fill(original, n, 1u, 2.0 * n);
        const double flops = 8.0 * n * n * static_cast<double>(n) / 3.0;
        for (int threads : {1, 2}) {
            const double time = Best(original, n, repeat, [&](Rows& matrix) {
                CLinEqu linEqu(threads);
                const bool ok = linEqu.LUDecompose(matrix.rows.data(), n) == 0;
                sink.clear();
                return ok;
            });
            if (time < 0) return 1;
            std::printf("%6d %7d %10.3f %9.2f", n, threads, time, flops / time * 1e-9);
#ifdef KAVORAL_BENCH_LAPACKE
            // Column-major view of the same entries: the transposed matrix, just as dominant,
            // so partial pivoting exchanges nothing and the work is the same.
            openblas_set_num_threads(threads);
            std::vector<lapack_int> pivots(n);
            const double reference = Best(original, n, repeat, [&](Rows& matrix) {
                return LAPACKE_zgetrf(LAPACK_COL_MAJOR, n, n, matrix.entries.data(), n,
                                      pivots.data()) == 0;
            });
            if (reference < 0) return 1;
            std::printf(" %12.3f %9.2f %9.2f", reference, flops / reference * 1e-9,
                        reference / time);
#endif
            std::printf("\n");
            std::fflush(stdout);
        }
        if (!columns) continue;
        // n right-hand sides, as the C matrix command solves them.
        Rows factors(n);
        std::memcpy(factors.entries.data(), original.entries.data(),
                    original.entries.size() * sizeof(Complex));
        CLinEqu(1).LUDecompose(factors.rows.data(), n);
        sink.clear();
        Rows rightHandSides(n);
        Fill(rightHandSides, n, 2u, 0.0);
        for (int threads : {1, 2}) {
            const double time = Best(rightHandSides, n, repeat, [&](Rows& matrix) {
                CLinEqu linEqu(threads);
                std::vector<Complex> workspace(linEqu.ColumnWorkspaceSize(n, n));
                return linEqu.LUSubstituteColumns(factors.rows.data(), matrix.rows.data(), n, 0, n,
                                                  workspace.data()) == 0;
            });
            std::printf("%6d %7d %10.3f %9.2f   (n right-hand sides)\n", n, threads, time,
                        8.0 * n * n * static_cast<double>(n) / time * 1e-9);
            std::fflush(stdout);
        }
    }
    logFile.SetConsoleSink(nullptr);
    return 0;
}
