// The block-diagonal preconditioner of a square compressed matrix: the matrix restricted to
// clusters along the diagonal (every block of the matrix that lies inside, expanded), each
// diagonal block factorised by LU with partial pivoting.
#pragma once

#include <memory>
#include <vector>

#include "compressed/HMatrix.h"
#include "compressed/LinearOperator.h"

class CNearFieldPreconditioner : public CPreconditioner {
public:
    // Takes as diagonal blocks the largest clusters of the row tree with at most `blockSize`
    // points (the leaves where they are larger). The matrix must be square with the same order
    // for rows and columns. 0; -1 after a report for a matrix that is not, or for a singular
    // diagonal block; -4 without memory. The matrix is not kept.
    int Build(const CHMatrix& matrix, int blockSize, int threads);

    int Size() const override { return static_cast<int>(order.size()); }
    // Vectors in the caller's numbering, as CHMatrix::Apply takes them.
    int Solve(Complex* x) const override;
    int SolveAdjoint(Complex* x) const override;
    int BlockCount() const { return static_cast<int>(diagonal.size()); }
    std::size_t MemoryBytes() const;

private:
    struct Factor {
        int first = 0;
        int count = 0;
        std::unique_ptr<Complex[]>
            lu;  // count x count, row by row: L (unit diagonal) below, U on and above
        std::unique_ptr<int[]> pivots;  // row exchanged with row i at step i
    };
    int Apply(Complex* x, bool adjoint) const;

    const char* className = "CNearFieldPreconditioner";
    std::vector<int> order;
    std::vector<Factor> diagonal;
    int threadCount = 0;
};
