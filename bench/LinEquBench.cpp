// Speed of the dense complex solver: factorisation and one substitution of random diagonally
// dominant systems, and the C matrix case of one factorisation and n right-hand sides.
// Usage: LinEquBench [n ...]   (default 500 1000 2000 3000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/LogFile.h"
#include "solver/LinEqu.h"

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

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {500, 1000, 2000, 3000};

    std::string sink;  // the progress counters are not part of the figures
    logFile.SetConsoleSink(&sink);
    std::printf("%6s %12s %10s %12s %14s %10s\n", "n", "LU [s]", "GFLOP/s", "solve [s]",
                "n columns [s]", "GFLOP/s");
    for (int n : sizes) {
        if (n <= 0) continue;
        Rows matrix(n);
        Fill(matrix, n, 1u, 2.0 * n);
        CLinEqu linEqu;

        auto start = std::chrono::steady_clock::now();
        if (linEqu.LUDecompose(matrix.rows.data(), n) != 0) return 1;
        const double factorTime = Seconds(start);
        sink.clear();

        std::vector<Complex> b(n, Complex{1.0, 0.5});
        start = std::chrono::steady_clock::now();
        linEqu.LUSubstitute(matrix.rows.data(), b.data(), n);
        const double solveTime = Seconds(start);

        // n right-hand sides a packed block at a time, as the C matrix command solves them.
        Rows columns(n);
        Fill(columns, n, 2u, 0.0);
        const int block = n < substitutionColumnBlock ? n : substitutionColumnBlock;
        std::vector<Complex> packed(static_cast<std::size_t>(n) * block);
        start = std::chrono::steady_clock::now();
        for (int first = 0; first < n; first += block)
            linEqu.LUSubstituteColumns(matrix.rows.data(), columns.rows.data(), n, first,
                                       n - first < block ? n - first : block, packed.data());
        const double columnsTime = Seconds(start);

        const double factorFlops = 8.0 * n * n * static_cast<double>(n) / 3.0;
        const double columnFlops = 8.0 * n * n * static_cast<double>(n);  // n solves of 8n^2
        std::printf("%6d %12.3f %10.2f %12.4f %14.3f %10.2f\n", n, factorTime,
                    factorFlops / factorTime * 1e-9, solveTime, columnsTime,
                    columnFlops / columnsTime * 1e-9);
        std::fflush(stdout);
    }
    logFile.SetConsoleSink(nullptr);
    return 0;
}
