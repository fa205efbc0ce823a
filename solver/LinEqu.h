// Dense complex linear systems: Crout factorisation A = L U in place, without row or column
// exchange (L with its diagonal on and below the diagonal, U with unit diagonal above it), and
// forward and back substitution for right-hand sides.
#pragma once

#include "app/Complex.h"

// Columns worth solving together with LUSubstituteColumns: a block of every row stays in cache
// while the factors stream past (measured best between 16 and 128 at n = 1500).
constexpr int substitutionColumnBlock = 32;

class CLinEqu {
public:
    // Factorises the n x n matrix, given by its row addresses, in place. 0, or -1 after a report
    // when a pivot modulus is below 1e-10 (the matrix is then left partly factorised). Prints the
    // row counter on the console before each row.
    int LUDecompose(Complex* const* matrix, int n);

    // Overwrites b with the solution of A x = b, using the factors of LUDecompose. Returns 0.
    int LUSubstitute(Complex* const* matrix, Complex* b, int n);

    // Solves A x = b for the columns firstColumn .. endColumn - 1 of the n rows given, each
    // column overwritten with its solution. Every column sees exactly the operations of
    // LUSubstitute in the same order; the rows are walked contiguously. Returns 0.
    int LUSubstituteColumns(Complex* const* matrix, Complex* const* columns, int n,
                            int firstColumn, int endColumn);

private:
    const char* className = "CLinEqu";
};
