// Writes and reads a matrix file of a 2562-point surface (2562 x 2562 entries) in both encodings
// and prints the seconds and the throughput of each pass; then compares the fixed-point number
// text with the standard output on random doubles and times both.
//
//   MatrixFileBench [directory] [size]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fileio/FileIO.h"
#include "fileio/NumberFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A row of coefficients with the spread of magnitudes a surface matrix has.
void FillRow(int row, std::vector<Complex>& a, std::vector<Complex>& b) {
    for (std::size_t c = 0; c < a.size(); ++c) {
        const double x = 0.001 * static_cast<double>(row * 7919 + static_cast<int>(c) * 104729);
        const double scale = std::exp(std::sin(x) * 6.0);
        a[c] = {std::cos(x) * scale * 1e-3, std::sin(1.3 * x) * scale * 1e-3};
        b[c] = {std::sin(0.7 * x) * scale, -std::cos(0.9 * x) * scale};
    }
}

void Report(const char* what, double seconds, double bytes) {
    std::printf("%-28s %8.2f s %9.1f MB/s\n", what, seconds, bytes / seconds / 1e6);
}

bool RunEncoding(const std::string& name, int size, int encoding, const char* label) {
    std::vector<Complex> a(static_cast<std::size_t>(size)), b(a.size());
    CFileIO io;
    Clock::time_point start = Clock::now();
    if (io.OpenMatrixFileW(name.c_str(), size, size, encoding) < 0) return false;
    for (int r = 0; r < size; ++r) {
        FillRow(r, a, b);
        if (io.WriteMatrixRow(a.data(), b.data()) < 0) return false;
    }
    if (io.CloseMatrixFile() < 0) return false;
    const double writeSeconds = Seconds(start);
    const double bytes = static_cast<double>(std::filesystem::file_size(name));

    // The time to fill the rows is part of the writing pass; measure it alone.
    start = Clock::now();
    for (int r = 0; r < size; ++r) FillRow(r, a, b);
    const double fillSeconds = Seconds(start);

    start = Clock::now();
    int rows = 0, columns = 0;
    double sum = 0.0;
    if (io.OpenMatrixFileR(name.c_str(), &rows, &columns, encoding) < 0) return false;
    for (int r = 0; r < rows; ++r) {
        if (io.ReadMatrixRow(a.data(), b.data()) < 0) return false;
        sum += a[static_cast<std::size_t>(r)].re;
    }
    io.CloseMatrixFile();
    const double readSeconds = Seconds(start);

    std::printf("%s: %d x %d entries, %.1f MB (checksum %g)\n", label, size, size, bytes / 1e6,
                sum);
    Report("  write (rows computed)", writeSeconds, bytes);
    Report("  write (without the rows)", writeSeconds - fillSeconds, bytes);
    Report("  read", readSeconds, bytes);
    std::filesystem::remove(name);
    return true;
}

void CompareFixed(long count) {
    std::mt19937_64 random(1);
    std::vector<double> values(static_cast<std::size_t>(count));
    for (double& value : values) {
        // Half of them any bit pattern, half of the magnitudes matrix coefficients have.
        std::uint64_t bits = random();
        if ((bits & 1) != 0)
            bits = (bits & 0x800fffffffffffffull) | ((1023 - 40 + random() % 60) << 52);
        std::memcpy(&value, &bits, sizeof value);
    }
    char fast[numberTextSize], standard[numberTextSize];
    long mismatches = 0;
    for (double value : values) {
        FormatFixed(value, fast);
        std::snprintf(standard, sizeof standard, "%f", value);
        if (std::strcmp(fast, standard) != 0) ++mismatches;
    }
    std::printf("\"%%f\" text of %ld random doubles: %ld differ from the standard output\n", count,
                mismatches);

    // Speed on coefficients of matrix magnitudes only.
    std::vector<double> typical(1000000);
    std::uniform_real_distribution<double> spread(-6.0, 3.0);
    for (double& value : typical)
        value = std::pow(10.0, spread(random)) * ((random() & 1) ? 1 : -1);
    std::size_t length = 0;
    Clock::time_point start = Clock::now();
    for (double value : typical) length += static_cast<std::size_t>(FormatFixed(value, fast));
    const double fastSeconds = Seconds(start);
    start = Clock::now();
    for (double value : typical) {
        length += static_cast<std::size_t>(std::snprintf(standard, sizeof standard, "%f", value));
    }
    const double standardSeconds = Seconds(start);
    std::printf("1e6 numbers: FormatFixed %.3f s, snprintf %.3f s (%zu characters)\n", fastSeconds,
                standardSeconds, length);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string directory =
        argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const int size = argc > 2 ? std::atoi(argv[2]) : 2562;
    const std::string name = directory + "/MatrixFileBench.mtx";
    bool ok = RunEncoding(name, size, matrixFileText, "text") &&
              RunEncoding(name, size, matrixFileBinary, "binary");
    if (!ok) {
        std::printf("matrix file pass failed\n");
        return 1;
    }
    CompareFixed(5000000);
    return 0;
}
