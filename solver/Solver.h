// The solver: the surface solution, the C matrix C = A^-1 B and the pressures at measuring
// points, in memory, and the commands -xs, -mi and -xm that run them on matrix files. One object
// serves one command; the arrays of the in-memory operations belong to their callers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/Complex.h"
#include "fileio/ConfigData.h"

// A square complex matrix in row-pointer form: n row addresses into one block of n * n entries.
// The entries are not initialised. Empty when absent.
struct RowPointerMatrix {
    std::unique_ptr<Complex*[]> rows;
    std::unique_ptr<Complex[]> entries;
    bool Empty() const { return rows == nullptr; }
};

// Takes row o of A and of B (n entries each, valid for the call): take(o, rowA, rowB).
using SurfaceRowTake = std::function<void(int, const Complex*, const Complex*)>;
// Hands the n rows of A and B of the surface points to take, in row order and one at a time:
// from a matrix file, from memory, or computed while they are taken. 0, or the negative status
// of a failure after its report; no further row is handed on after a failure.
using SurfaceRowFeed = std::function<int(const SurfaceRowTake&)>;

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

    // ---- The solver in memory ----------------------------------------------------------------
    // Matrices are n x n (or rowCount x n) complex values, row by row, owned by the caller.

    // The surface solution of A p = B v for the excitation (type code and value per point, n
    // each): assembles every row as -xs does, factorises and substitutes, and returns the
    // pressures and velocities (n each; the vectors are replaced). Prints the "Solving linear
    // equation..." line. 0, -4 (reported under "SolveSurfaceSystem") or -1 for a singular
    // system (reported by CLinEqu).
    int SolveSurfaceSystem(int n, const Complex* a, const Complex* b, const std::int16_t* types,
                           const Complex* values, std::vector<Complex>& pressures,
                           std::vector<Complex>& velocities) const;
    // The one assembly of the surface system, whatever feeds its rows: allocates the system of
    // n points, assembles each row as it is fed (with added[o], when added is given, added to
    // the right-hand side of row o), factorises and substitutes on `threads` threads (0 for
    // every hardware thread) and returns the pressures and velocities (n each; the vectors are
    // replaced). 0; -4 when the memory is refused, reported under reporter and function; the
    // feed's status; -1 for a singular system (reported by CLinEqu).
    static int SolveSurfaceRows(int n, const std::int16_t* types, const Complex* values,
                                const Complex* added, const SurfaceRowFeed& feed, int threads,
                                const char* reporter, const char* function,
                                std::vector<Complex>& pressures, std::vector<Complex>& velocities);
    // The same for several excitations whose system matrix is the same (SameSystemMatrix in
    // solver/SurfaceSystem.h): the system assembled once, from the first excitation, a
    // right-hand side for each, one factorisation. Excitation c has types[c], values[c] and
    // added[c] (null: none; `added` itself may be null) and gets pressures[c], velocities[c];
    // each is bit for bit what it gets solved alone.
    struct SurfaceExcitations {
        int count = 0;
        const std::int16_t* const* types = nullptr;
        const Complex* const* values = nullptr;
        const Complex* const* added = nullptr;
    };
    static int SolveSurfaceRows(int n, const SurfaceExcitations& excitations,
                                const SurfaceRowFeed& feed, int threads, const char* reporter,
                                const char* function, std::vector<Complex>* pressures,
                                std::vector<Complex>* velocities);
    // Factorises the assembled system in place and overwrites rightHandSide with the unknowns,
    // between the "Solving linear equation..." and "Ready" lines, on `threads` threads (0 for
    // every hardware thread; the result is the same for every count). 0 or -1 (reported).
    static int SolveAssembledSystem(Complex* const* system, Complex* rightHandSide, int n,
                                    int threads = 0);

    // C = A^-1 B in place: a is overwritten with its LU factors, b with C. Prints the progress
    // lines of -mi. 0, -1 for a singular A, or -4 (reported under "ComputeCMatrix").
    int ComputeCMatrix(int n, Complex* a, Complex* b) const;
    // The same on matrices given by their row addresses.
    int ComputeCMatrix(int n, Complex* const* a, Complex* const* b) const;

    // The field pressures of rowCount measuring points from their rows of A and B (rowCount x
    // n) and the surface pressures and velocities (n each), into fieldPressures (rowCount).
    static void GetFieldPressures(int rowCount, int n, const Complex* a, const Complex* b,
                                  const Complex* pressures, const Complex* velocities,
                                  Complex* fieldPressures);

    // An n x n matrix whose entries are not initialised, or an empty one when the memory is
    // refused (also when n * n entries cannot even be counted). Reports nothing. `threads`
    // threads (0: every hardware thread) touch its pages first, so that the system maps and
    // clears them on every core rather than on the one thread that later fills the rows (at
    // 10242 unknowns 1.7 GB, several seconds of a single thread).
    static RowPointerMatrix AllocateMatrix(int n, int threads = 1);
    static void FreeMatrix(RowPointerMatrix& matrix, int n);

private:
    const char* className = "CSolver";
    ConfigData config;
};
