// The solver commands that work on matrix files already generated: the surface solution (-xs),
// the C matrix C = A^-1 B (-mi) and the pressures at the measuring points (-xm). One object
// serves one command; it owns every array and matrix the command allocates.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/Complex.h"
#include "fileio/ConfigData.h"
#include "fileio/FileIO.h"

// A square complex matrix in row-pointer form: n row addresses into one block of n * n entries.
// The entries are not initialised. Empty when absent.
struct RowPointerMatrix {
    std::unique_ptr<Complex*[]> rows;
    std::unique_ptr<Complex[]> entries;
    bool Empty() const { return rows == nullptr; }
};

class CSolver {
public:
    explicit CSolver(ConfigData configData);
    CSolver(const CSolver&) = delete;
    CSolver& operator=(const CSolver&) = delete;
    virtual ~CSolver();

    // -xs surface.mtx excitation.xct surface.res
    int SolveLinearSystem(const char* matrixFileName, const char* excitationFileName,
                          const char* resultFileName);
    // -mi surface.mtx surface_C.mtx
    int ComputeCMatrix(const char* matrixFileName, const char* cMatrixFileName);
    // -xm points.mtx surface.res points.res
    int GetMeasuringResults(const char* matrixFileName, const char* surfaceResultFileName,
                            const char* resultFileName);

    // An n x n matrix whose entries are not initialised, or an empty one when the memory is
    // refused (also when n * n entries cannot even be counted). Reports nothing.
    static RowPointerMatrix AllocateMatrix(int n);
    static void FreeMatrix(RowPointerMatrix& matrix, int n);

private:
    CFileIO fileIO;
    const char* className = "CSolver";
    ConfigData config;
    int rowCount = 0;
    int columnCount = 0;
    std::unique_ptr<Complex[]> rowA;
    std::unique_ptr<Complex[]> rowB;
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    std::unique_ptr<Complex[]> fieldPressures;
    std::vector<std::int16_t> excitationTypes;
    RowPointerMatrix matrixA;  // the system matrix of -xs, matrix A of -mi
    RowPointerMatrix matrixB;  // matrix B of -mi, overwritten with C
};
