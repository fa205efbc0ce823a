#include "solver/Solver.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "fileio/FileIO.h"
#include "solver/LinEqu.h"
#include "solver/SurfaceSystem.h"

namespace {

// n complex values, not initialised, or none when the memory is refused.
std::unique_ptr<Complex[]> AllocateArray(std::size_t n) {
    return std::unique_ptr<Complex[]>(new (std::nothrow) Complex[n]);
}

std::size_t Size(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// Asks the system to back the whole 2 MB pages within [first, first + bytes) by huge pages
// where it offers them on request (Linux's transparent huge pages in "madvise" mode). Fresh
// memory of a system matrix (1.7 GB at 10242 points) then takes 512 times fewer page faults
// when it is first touched: 0.2 to 1.0 s instead of 2.5 to 2.9 s for 1.7 GB on a virtual
// machine. Only a hint: where it is refused, nothing changes.
void AdviseHugePages(void* first, std::size_t bytes) {
#ifdef MADV_HUGEPAGE  // from <sys/mman.h>, included on Linux only
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(first);
    const std::uintptr_t begin = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(hugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)first;
    (void)bytes;
#endif
}

// The row addresses of a matrix of n columns held row by row.
bool RowAddresses(Complex* entries, int rows, int n, std::vector<Complex*>& addresses) {
    try {
        addresses.resize(Size(rows));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t i = 0; i < addresses.size(); ++i) addresses[i] = entries + i * Size(n);
    return true;
}

}  // namespace

CSolver::CSolver(ConfigData configData) : config(configData) {}

CSolver::~CSolver() = default;

RowPointerMatrix CSolver::AllocateMatrix(int n, int threads) {
    RowPointerMatrix matrix;
    if (n < 0) return matrix;
    const std::size_t size = static_cast<std::size_t>(n);
    if (size != 0 && size > std::numeric_limits<std::size_t>::max() / sizeof(Complex) / size)
        return matrix;
    matrix.rows.reset(new (std::nothrow) Complex*[size]);
    if (matrix.rows == nullptr) return matrix;
    matrix.entries.reset(new (std::nothrow) Complex[size * size]);
    if (matrix.entries == nullptr) {
        matrix.rows.reset();
        return matrix;
    }
    for (std::size_t i = 0; i < size; ++i) matrix.rows[i] = matrix.entries.get() + i * size;
    AdviseHugePages(matrix.entries.get(), size * size * sizeof(Complex));
    // One write per page of 4 kB; the values are overwritten by the caller.
    constexpr std::size_t pageEntries = 4096 / sizeof(Complex);
    constexpr std::size_t pieceEntries = pageEntries * 4096;  // 16 MB
    const std::size_t entries = size * size;
    const int pieces = static_cast<int>((entries + pieceEntries - 1) / pieceEntries);
    Complex* const first = matrix.entries.get();
    ForEachPiece(ResolveThreadCount(threads), pieces, [&](int piece, int) {
        const std::size_t begin = static_cast<std::size_t>(piece) * pieceEntries;
        const std::size_t end = std::min(begin + pieceEntries, entries);
        for (std::size_t i = begin; i < end; i += pageEntries) first[i] = Complex{0.0, 0.0};
    });
    return matrix;
}

void CSolver::FreeMatrix(RowPointerMatrix& matrix, int /*n*/) {
    matrix.rows.reset();
    matrix.entries.reset();
}

// ---- In memory ------------------------------------------------------------------------------

int CSolver::SolveAssembledSystem(Complex* const* system, Complex* rightHandSide, int n,
                                  int threads) {
    CLinEqu linEqu(threads);
    logFile.Print("Solving linear equation...", 1);
    const int status = linEqu.LUDecompose(system, n);
    if (status < 0) return status;
    linEqu.LUSubstitute(system, rightHandSide, n);
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSolver::SolveSurfaceRows(int n, const std::int16_t* types, const Complex* values,
                              const Complex* added, const SurfaceRowFeed& feed, int threads,
                              const char* reporter, const char* function,
                              std::vector<Complex>& pressures, std::vector<Complex>& velocities) {
    const SurfaceExcitations one{1, &types, &values, &added};
    return SolveSurfaceRows(n, one, feed, threads, reporter, function, &pressures, &velocities);
}

int CSolver::SolveSurfaceRows(int n, const SurfaceExcitations& excitations,
                              const SurfaceRowFeed& feed, int threads, const char* reporter,
                              const char* function, std::vector<Complex>* pressures,
                              std::vector<Complex>* velocities) {
    const int count = excitations.count;
    const std::size_t k = Size(count);
    CLinEqu linEqu(threads);
    RowPointerMatrix system = AllocateMatrix(n, threads);
    // Row o holds the right-hand sides of row o, one per excitation.
    std::vector<Complex> unknowns;
    std::vector<Complex*> rows;
    std::vector<Complex> workspace;
    std::vector<Complex> column;
    std::vector<std::vector<Complex>> p;
    std::vector<std::vector<Complex>> v;
    try {
        unknowns.resize(Size(n) * k);
        rows.resize(Size(n));
        if (count > 1) {
            workspace.resize(linEqu.ColumnWorkspaceSize(n, count));
            column.resize(Size(n));
        }
        p.assign(k, std::vector<Complex>(Size(n)));
        v.assign(k, std::vector<Complex>(Size(n)));
    } catch (const std::bad_alloc&) {
        system = RowPointerMatrix{};
    }
    if (system.Empty() || count < 1) {
        logFile.ReportError(reporter, function, Message::noMemory, "");
        return Status::noMemory;
    }
    for (int o = 0; o < n; ++o) rows[Size(o)] = unknowns.data() + Size(o) * k;
    const auto added = [&](std::size_t c) {
        return excitations.added != nullptr ? excitations.added[c] : nullptr;
    };
    int status = feed([&](int o, const Complex* rowA, const Complex* rowB) {
        Complex* rhs = rows[Size(o)];
        for (std::size_t c = 0; c < k; ++c) {
            const Complex r =
                c == 0 ? AssembleSystemRow(n, rowA, rowB, excitations.types[0],
                                           excitations.values[0], system.rows[Size(o)])
                       : SystemRowRightHandSide(n, rowA, rowB, excitations.types[c],
                                                excitations.values[c]);
            // No term at all, not even 0, where none is given.
            rhs[c] = added(c) != nullptr ? r + added(c)[o] : r;
        }
    });
    if (status < 0) return status;
    if (count == 1) {
        status = SolveAssembledSystem(system.rows.get(), unknowns.data(), n, threads);
        if (status < 0) return status;
    } else {
        logFile.Print("Solving linear equation...", 1);
        status = linEqu.LUDecompose(system.rows.get(), n);
        if (status < 0) return status;
        linEqu.LUSubstituteColumns(system.rows.get(), rows.data(), n, 0, count, workspace.data());
        logFile.Print("Ready\n", 1);
    }
    for (std::size_t c = 0; c < k; ++c) {
        const Complex* solution = unknowns.data();
        if (count > 1) {
            for (int o = 0; o < n; ++o) column[Size(o)] = rows[Size(o)][c];
            solution = column.data();
        }
        RecoverSurfaceSolution(n, excitations.types[c], excitations.values[c], solution,
                               p[c].data(), v[c].data());
        pressures[c].swap(p[c]);
        velocities[c].swap(v[c]);
    }
    return Status::ok;
}

int CSolver::SolveSurfaceSystem(int n, const Complex* a, const Complex* b,
                                const std::int16_t* types, const Complex* values,
                                std::vector<Complex>& pressures,
                                std::vector<Complex>& velocities) const {
    const SurfaceRowFeed rowsInMemory = [&](const SurfaceRowTake& take) {
        for (int o = 0; o < n; ++o) {
            const std::size_t offset = static_cast<std::size_t>(o) * Size(n);
            take(o, a + offset, b + offset);
        }
        return Status::ok;
    };
    return SolveSurfaceRows(n, types, values, nullptr, rowsInMemory, config.threads, className,
                            "SolveSurfaceSystem", pressures, velocities);
}

int CSolver::ComputeCMatrix(int n, Complex* a, Complex* b) const {
    std::vector<Complex*> rowsOfA;
    std::vector<Complex*> rowsOfB;
    if (!RowAddresses(a, n, n, rowsOfA) || !RowAddresses(b, n, n, rowsOfB)) {
        logFile.ReportError(className, "ComputeCMatrix", Message::noMemory, "");
        return Status::noMemory;
    }
    return ComputeCMatrix(n, rowsOfA.data(), rowsOfB.data());
}

int CSolver::ComputeCMatrix(int n, Complex* const* a, Complex* const* b) const {
    CLinEqu linEqu(config.threads);
    logFile.Print("LU decomposition of matrix A ...", 1);
    logFile.Print("\n", 0);
    int status = linEqu.LUDecompose(a, n);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    // Every column of B is replaced by the solution of A x = (that column), one block of
    // columns per thread at a time, each block packed so that it is walked contiguously.
    const int roundWidth = substitutionColumnBlock * ResolveThreadCount(config.threads);
    const int width = n < roundWidth ? n : roundWidth;
    const std::unique_ptr<Complex[]> columns = AllocateArray(linEqu.ColumnWorkspaceSize(n, width));
    if (n > 0 && columns == nullptr) {
        logFile.ReportError(className, "ComputeCMatrix", Message::noMemory, "");
        return Status::noMemory;
    }
    logFile.Print("Multiplying matrices...", 1);
    logFile.Print("\n", 0);
    for (int first = 0; first < n; first += width) {
        const int count = n - first < width ? n - first : width;
        linEqu.LUSubstituteColumns(a, b, n, first, count, columns.get());
        for (int j = first; j < first + count; ++j) logFile.PrintCounter(j, n);
    }
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

void CSolver::GetFieldPressures(int rowCount, int n, const Complex* a, const Complex* b,
                                const Complex* pressures, const Complex* velocities,
                                Complex* fieldPressures) {
    for (int i = 0; i < rowCount; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i) * Size(n);
        fieldPressures[i] = FieldPressure(n, a + offset, b + offset, pressures, velocities);
    }
}

// ---- The commands on files ------------------------------------------------------------------

int CSolver::SolveLinearSystem(const char* matrixFileName, const char* excitationFileName,
                               const char* resultFileName) {
    const char* const function = "SolveLinearSystem";
    CFileIO fileIO;

    logFile.Print("Reading excitation data...", 1);
    int n = 0;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
    int status = fileIO.ReadExcitationFile(excitationFileName, n, values, types);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    // The system is assembled while the matrix file is read: A and B are never held whole.
    const std::unique_ptr<Complex[]> rowA = AllocateArray(Size(n));
    const std::unique_ptr<Complex[]> rowB = AllocateArray(Size(n));
    if (rowA == nullptr || rowB == nullptr) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    const SurfaceRowFeed rowsFromFile = [&](const SurfaceRowTake& take) {
        logFile.Print("Reading surface matrix...", 1);
        int fileRows = 0;
        int fileColumns = 0;
        int read = fileIO.OpenMatrixFileR(matrixFileName, &fileRows, &fileColumns,
                                          config.matrixFileMode);
        if (read < 0) return read;
        if (fileRows != n || fileColumns != n) {
            logFile.ReportError(className, function, Message::invalidData, "number of rows");
            return Status::invalidData;
        }
        for (int o = 0; o < n; ++o) {
            read = fileIO.ReadMatrixRow(rowA.get(), rowB.get());
            if (read < 0) return read;
            take(o, rowA.get(), rowB.get());
        }
        read = fileIO.CloseMatrixFile();
        if (read < 0) return read;
        logFile.Print("Ready\n", 1);
        return Status::ok;
    };
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    status = SolveSurfaceRows(n, types.data(), values.data(), nullptr, rowsFromFile,
                              config.threads, className, function, pressures, velocities);
    if (status < 0) return status;

    logFile.Print("Writing surface results to file...", 1);
    status = fileIO.WriteResultFile(resultFileName, n, pressures.data(), velocities.data(),
                                    excitationFileName, matrixFileName);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSolver::ComputeCMatrix(const char* matrixFileName, const char* cMatrixFileName) {
    const char* const function = "ComputeCMatrix";
    CFileIO fileIO;

    logFile.Print("Reading surface matrices...", 1);
    int rows = 0;
    int columns = 0;
    int status = fileIO.OpenMatrixFileR(matrixFileName, &rows, &columns, config.matrixFileMode);
    if (status < 0) return status;
    if (rows != columns) {
        logFile.ReportError(className, function, Message::invalidData, "number of rows");
        return Status::invalidData;
    }
    const int n = rows;
    RowPointerMatrix matrixA = AllocateMatrix(n, config.threads);
    RowPointerMatrix matrixB;
    if (!matrixA.Empty()) matrixB = AllocateMatrix(n, config.threads);
    if (matrixB.Empty()) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    Complex* const* a = matrixA.rows.get();
    Complex* const* b = matrixB.rows.get();
    for (int i = 0; i < n; ++i) {
        status = fileIO.ReadMatrixRow(a[i], b[i]);
        if (status < 0) return status;
    }
    status = fileIO.CloseMatrixFile();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    status = ComputeCMatrix(n, a, b);
    if (status < 0) return status;

    logFile.Print("Writing results to C matrix file...", 1);
    status = fileIO.WriteCMatrixFile(cMatrixFileName, b, n, config.matrixFileMode);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSolver::GetMeasuringResults(const char* matrixFileName, const char* surfaceResultFileName,
                                 const char* resultFileName) {
    const char* const function = "GetMeasuringResults";
    CFileIO fileIO;

    logFile.Print("Reading surface results...", 1);
    int surfacePoints = 0;
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    int status = fileIO.ReadResultFile(surfaceResultFileName, surfacePoints, pressures, velocities);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Reading measuring point matrices...", 1);
    int rowCount = 0;
    int columnCount = 0;
    status = fileIO.OpenMatrixFileR(matrixFileName, &rowCount, &columnCount, config.matrixFileMode);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    if (surfacePoints != columnCount) {
        logFile.ReportError(className, function, Message::invalidData, "number of rows");
        return Status::invalidData;
    }

    // The row count comes from the header alone: its array is allocated without being touched,
    // so a header claiming too many rows ends at the first missing row.
    const std::unique_ptr<Complex[]> rowA = AllocateArray(Size(columnCount));
    const std::unique_ptr<Complex[]> rowB = AllocateArray(Size(columnCount));
    const std::unique_ptr<Complex[]> fieldPressures = AllocateArray(Size(rowCount));
    if (rowA == nullptr || rowB == nullptr || fieldPressures == nullptr) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    for (int i = 0; i < rowCount; ++i) {
        status = fileIO.ReadMatrixRow(rowA.get(), rowB.get());
        if (status < 0) return status;
        fieldPressures[i] =
            FieldPressure(columnCount, rowA.get(), rowB.get(), pressures.data(), velocities.data());
    }
    status = fileIO.CloseMatrixFile();
    if (status < 0) return status;

    logFile.Print("Writing measuring point results to file...", 1);
    status = fileIO.WriteResultFile(resultFileName, rowCount, fieldPressures.get(), nullptr,
                                    surfaceResultFileName, matrixFileName);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}
