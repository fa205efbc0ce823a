// Dense complex linear systems: Crout factorisation A = L U in place, without row or column
// exchange (L with its diagonal on and below the diagonal, U with unit diagonal above it), and
// forward and back substitution for right-hand sides.
#pragma once

#include "base/Complex.h"

// Columns worth solving together with LUSubstituteColumns: the block, packed, stays in
// cache while the factors stream past (64 measured best of 16 to 128 at n = 1000 to 2500).
constexpr int substitutionColumnBlock = 64;

class CLinEqu {
public:
    // Factorises the n x n matrix, given by its row addresses, in place. 0, or -1 after a report
    // when a pivot modulus is below 1e-10 (the matrix is then left partly factorised). Prints the
    // row counter on the console before each row.
    int LUDecompose(Complex* const* matrix, int n);

    // Overwrites b with the solution of A x = b, using the factors of LUDecompose. Returns 0.
    int LUSubstitute(Complex* const* matrix, Complex* b, int n);

    // Solves A x = b for the `width` columns from firstColumn on of the n rows given, each
    // column overwritten with its solution. The columns are copied into `workspace`
    // (n * width values), solved there together and copied back. Every column sees exactly the
    // operations of LUSubstitute in the same order. Returns 0.
    int LUSubstituteColumns(Complex* const* matrix, Complex* const* rows, int n, int firstColumn,
                            int width, Complex* workspace);

private:
    // The substitution of `width` right-hand sides packed row by row: entry k of right-hand
    // side c is columns[k * width + c].
    static void SubstitutePacked(Complex* const* matrix, Complex* columns, int n, int width);

    const char* className = "CLinEqu";
};
