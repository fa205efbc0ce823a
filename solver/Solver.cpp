#include "solver/Solver.h"

#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "base/Constants.h"
#include "app/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "solver/LinEqu.h"

namespace {

// Excitation type codes of the excitation file.
enum : std::int16_t {
    givenPressure = 0,
    givenVelocity = 1,
    givenImpedance = 2,
    givenAdmittance = 3,
};

// n complex values, not initialised, or none when the memory is refused.
std::unique_ptr<Complex[]> AllocateArray(std::size_t n) {
    return std::unique_ptr<Complex[]>(new (std::nothrow) Complex[n]);
}

Complex Negated(Complex value) { return {-value.re, -value.im}; }


}  // namespace

CSolver::CSolver(ConfigData configData) : config(configData) {}

CSolver::~CSolver() {
    FreeMatrix(matrixA, rowCount);
    FreeMatrix(matrixB, rowCount);
}

RowPointerMatrix CSolver::AllocateMatrix(int n) {
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
    return matrix;
}

void CSolver::FreeMatrix(RowPointerMatrix& matrix, int /*n*/) {
    matrix.rows.reset();
    matrix.entries.reset();
}

int CSolver::SolveLinearSystem(const char* matrixFileName, const char* excitationFileName,
                               const char* resultFileName) {
    const char* const function = "SolveLinearSystem";

    logFile.Print("Reading excitation data...", 1);
    int status = fileIO.ReadExcitationFile(excitationFileName, rowCount, pressures,
                                           excitationTypes);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    const int n = rowCount;

    rowA = AllocateArray(static_cast<std::size_t>(n));
    rowB = AllocateArray(static_cast<std::size_t>(n));
    bool velocitiesAllocated = true;
    try {
        velocities.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        velocitiesAllocated = false;
    }
    if (rowA != nullptr && rowB != nullptr && velocitiesAllocated) matrixA = AllocateMatrix(n);
    if (matrixA.Empty()) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }

    logFile.Print("Reading surface matrix...", 1);
    int fileRows = 0;
    int fileColumns = 0;
    status = fileIO.OpenMatrixFileR(matrixFileName, &fileRows, &fileColumns,
                                    config.matrixFileMode);
    if (status < 0) return status;
    if (fileRows != n || fileColumns != n) {
        logFile.ReportError(className, function, Message::invalidData, "number of rows");
        return Status::invalidData;
    }

    // Row o of A p = B v with the known quantity of every point moved to the right-hand side.
    Complex* const* system = matrixA.rows.get();
    Complex* rightHandSide = velocities.data();
    for (int o = 0; o < n; ++o) {
        status = fileIO.ReadMatrixRow(rowA.get(), rowB.get());
        if (status < 0) return status;
        Complex* row = system[o];
        Complex r{0.0, 0.0};
        for (int j = 0; j < n; ++j) {
            const Complex e = pressures[j];
            switch (excitationTypes[j]) {
                case givenPressure:
                    row[j] = Negated(rowB[j]);
                    r = r - rowA[j] * e;
                    break;
                case givenVelocity:
                    row[j] = rowA[j];
                    r = r + rowB[j] * e;
                    break;
                case givenImpedance:
                    row[j] = e * rowA[j] - rowB[j];
                    break;
                default:  // givenAdmittance
                    row[j] = rowA[j] - e * rowB[j];
                    break;
            }
        }
        rightHandSide[o] = r;
    }
    status = fileIO.CloseMatrixFile();
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    CLinEqu linEqu(config.threads);
    logFile.Print("Solving linear equation...", 1);
    status = linEqu.LUDecompose(system, n);
    if (status < 0) return status;
    linEqu.LUSubstitute(system, rightHandSide, n);
    logFile.Print("Ready\n", 1);

    // The unknown of every point is its velocity or its pressure; the other one follows from
    // the excitation value.
    for (int j = 0; j < n; ++j) {
        const Complex e = pressures[j];
        switch (excitationTypes[j]) {
            case givenPressure:
                break;
            case givenVelocity:
                std::swap(pressures[j], velocities[j]);
                break;
            case givenImpedance:
                pressures[j] = e * velocities[j];
                break;
            default:  // givenAdmittance
                pressures[j] = e * velocities[j];
                std::swap(pressures[j], velocities[j]);
                break;
        }
    }

    logFile.Print("Writing surface results to file...", 1);
    status = fileIO.WriteResultFile(resultFileName, n, pressures.data(), velocities.data(),
                                    excitationFileName, matrixFileName);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSolver::ComputeCMatrix(const char* matrixFileName, const char* cMatrixFileName) {
    const char* const function = "ComputeCMatrix";

    logFile.Print("Reading surface matrices...", 1);
    int status = fileIO.OpenMatrixFileR(matrixFileName, &rowCount, &columnCount,
                                        config.matrixFileMode);
    if (status < 0) return status;
    if (rowCount != columnCount) {
        logFile.ReportError(className, function, Message::invalidData, "number of rows");
        return Status::invalidData;
    }
    const int n = rowCount;
    matrixA = AllocateMatrix(n);
    if (!matrixA.Empty()) matrixB = AllocateMatrix(n);
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

    CLinEqu linEqu(config.threads);
    logFile.Print("LU decomposition of matrix A ...", 1);
    logFile.Print("\n", 0);
    status = linEqu.LUDecompose(a, n);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    // Every column of B is replaced by the solution of A x = (that column), one block of
    // columns per thread at a time, each block packed so that it is walked contiguously.
    const int roundWidth = substitutionColumnBlock * ResolveThreadCount(config.threads);
    const int width = n < roundWidth ? n : roundWidth;
    const std::unique_ptr<Complex[]> columns = AllocateArray(linEqu.ColumnWorkspaceSize(n, width));
    if (n > 0 && columns == nullptr) {
        logFile.ReportError(className, function, Message::noMemory, "");
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

    logFile.Print("Writing results to C matrix file...", 1);
    status = fileIO.WriteCMatrixFile(cMatrixFileName, b, n, config.matrixFileMode);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    return Status::ok;
}

int CSolver::GetMeasuringResults(const char* matrixFileName, const char* surfaceResultFileName,
                                 const char* resultFileName) {
    const char* const function = "GetMeasuringResults";

    logFile.Print("Reading surface results...", 1);
    int surfacePoints = 0;
    int status = fileIO.ReadResultFile(surfaceResultFileName, surfacePoints, pressures,
                                       velocities);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);

    logFile.Print("Reading measuring point matrices...", 1);
    status = fileIO.OpenMatrixFileR(matrixFileName, &rowCount, &columnCount,
                                    config.matrixFileMode);
    if (status < 0) return status;
    logFile.Print("Ready\n", 1);
    if (surfacePoints != columnCount) {
        logFile.ReportError(className, function, Message::invalidData, "number of rows");
        return Status::invalidData;
    }

    // The row count comes from the header alone: its array is allocated without being touched,
    // so a header claiming too many rows ends at the first missing row.
    rowA = AllocateArray(static_cast<std::size_t>(columnCount));
    rowB = AllocateArray(static_cast<std::size_t>(columnCount));
    fieldPressures = AllocateArray(static_cast<std::size_t>(rowCount));
    if (rowA == nullptr || rowB == nullptr || fieldPressures == nullptr) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }

    const double fourPi = 4.0 * pi;
    for (int i = 0; i < rowCount; ++i) {
        status = fileIO.ReadMatrixRow(rowA.get(), rowB.get());
        if (status < 0) return status;
        Complex r{0.0, 0.0};
        for (int j = 0; j < columnCount; ++j) r += rowA[j] * pressures[j] - rowB[j] * velocities[j];
        fieldPressures[i] = {r.re / fourPi, r.im / fourPi};
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
