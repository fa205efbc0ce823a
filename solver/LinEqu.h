// Dense complex linear systems: Crout factorisation A = L U in place, without row or column
// exchange (L with its diagonal on and below the diagonal, U with unit diagonal above it), and
// forward and back substitution for right-hand sides. The work is blocked, vectorised and shared
// among threads, but every entry receives exactly the operations of the plain loops in the same
// order, so the factors and solutions are the same bit for bit for every thread count.
#pragma once

#include <cstddef>

#include "base/Complex.h"

// Columns that one thread solves together in LUSubstituteColumns: the block, packed, stays in
// cache while the factors stream past.
constexpr int substitutionColumnBlock = 64;

// Complex values per unknown that LUDecompose holds besides the matrix: the packed panel rows
// of every chunk of columns.
constexpr int decomposeWorkspacePerUnknown = 128;

class CLinEqu {
public:
    // threads: the threads that share the work, 0 for every hardware thread.
    explicit CLinEqu(int threads = 0) : threadCount(threads) {}

    // Factorises the n x n matrix, given by its row addresses, in place. 0, or -1 after a report
    // when a pivot modulus is below 1e-10 (the matrix is then left partly factorised), or
    // Status::noMemory after a report when its work space (decomposeWorkspacePerUnknown values per
    // unknown) cannot be had.
    // Prints the row counter on the console before each row.
    int LUDecompose(Complex* const* matrix, int n);

    // Overwrites b with the solution of A x = b, using the factors of LUDecompose. Returns 0.
    int LUSubstitute(Complex* const* matrix, Complex* b, int n);

    // Solves A x = b for the `width` columns from firstColumn on of the n rows given, each
    // column overwritten with its solution, in blocks of substitutionColumnBlock columns shared
    // among the threads. `workspace` holds ColumnWorkspaceSize(n, width) values. Every column
    // sees exactly the operations of LUSubstitute in the same order. Returns 0.
    int LUSubstituteColumns(Complex* const* matrix, Complex* const* rows, int n, int firstColumn,
                            int width, Complex* workspace);
    std::size_t ColumnWorkspaceSize(int n, int width) const;

private:
    // The substitution of `width` right-hand sides packed row by row: entry k of right-hand
    // side c is columns[k * width + c]. `group` holds n rows of rowVectors vectors.
    static void SubstitutePacked(Complex* const* matrix, Complex* columns, Complex* group, int n,
                                 int width);
    // Threads for `pieces` pieces of work.
    int Threads(int pieces) const;

    const char* className = "CLinEqu";
    int threadCount = 0;
};
