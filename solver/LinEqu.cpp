#include "solver/LinEqu.h"

#include <cstddef>

#include "app/LogFile.h"
#include "base/Status.h"

namespace {

// Smallest pivot modulus accepted, the same for every matrix.
constexpr double pivotBound = 1e-10;

// row[i] -= factor * source[i] for first <= i < end: one subtraction per entry, so the entries
// keep receiving their subtractions in the order the caller issues them.
inline void SubtractScaled(Complex* row, const Complex* source, Complex factor, int first,
                           int end) {
    for (int i = first; i < end; ++i) row[i] -= factor * source[i];
}

// Rows factorised together: the rows above them are streamed once for the whole block.
constexpr int rowBlock = 4;

// rows[r][i] -= factors[r] * source[i] for the rowBlock rows r and first <= i < end, each entry
// of source loaded once for all of them.
inline void SubtractScaledFromRows(Complex* const* rows, const Complex* source,
                                   const Complex* factors, int first, int end) {
    static_assert(rowBlock == 4, "the kernel is written out for four rows");
    Complex* row0 = rows[0];
    Complex* row1 = rows[1];
    Complex* row2 = rows[2];
    Complex* row3 = rows[3];
    const Complex f0 = factors[0], f1 = factors[1], f2 = factors[2], f3 = factors[3];
    for (int i = first; i < end; ++i) {
        const Complex s = source[i];
        row0[i] -= f0 * s;
        row1[i] -= f1 * s;
        row2[i] -= f2 * s;
        row3[i] -= f3 * s;
    }
}

}  // namespace

int CLinEqu::LUDecompose(Complex* const* matrix, int n) {
    for (int first = 0; first < n; first += rowBlock) {
        const int end = n - first > rowBlock ? first + rowBlock : n;
        // The products with the rows above the block, k ascending, shared by the rows of the
        // block: every row above is read once per block instead of once per row.
        if (end - first == rowBlock) {
            for (int k = 0; k < first; ++k) {
                const Complex factors[rowBlock] = {matrix[first][k], matrix[first + 1][k],
                                                   matrix[first + 2][k], matrix[first + 3][k]};
                SubtractScaledFromRows(matrix + first, matrix[k], factors, k + 1, n);
            }
        } else {
            for (int a = first; a < end; ++a)
                for (int k = 0; k < first; ++k)
                    SubtractScaled(matrix[a], matrix[k], matrix[a][k], k + 1, n);
        }

        for (int a = first; a < end; ++a) {
            logFile.PrintCounter(a, n);

            Complex* row = matrix[a];
            // Lower part L[a][first..a]: entry i takes the products with the rows k < i of the
            // block in ascending k. Entry k is final once all smaller k are subtracted.
            for (int k = first; k < a; ++k) SubtractScaled(row, matrix[k], row[k], k + 1, a + 1);

            if (!(Abs(row[a]) >= pivotBound)) {
                logFile.ReportError(className, "LUDecompose", Message::singularMatrix, "A");
                return Status::badArguments;
            }

            // Upper part U[a][a+1..n-1]: the products with the rows k < a of the block, then the
            // division by the pivot.
            for (int k = first; k < a; ++k) SubtractScaled(row, matrix[k], row[k], a + 1, n);
            const Complex pivot = row[a];
            for (int j = a + 1; j < n; ++j) row[j] = row[j] / pivot;
        }
    }
    return Status::ok;
}

int CLinEqu::LUSubstitute(Complex* const* matrix, Complex* b, int n) {
    for (int i = 0; i < n; ++i) {
        const Complex* row = matrix[i];
        for (int k = 0; k < i; ++k) b[i] -= row[k] * b[k];
        b[i] = b[i] / row[i];
    }
    for (int i = n - 1; i >= 0; --i) {
        const Complex* row = matrix[i];
        for (int j = i + 1; j < n; ++j) b[i] -= row[j] * b[j];
    }
    return Status::ok;
}

int CLinEqu::LUSubstituteColumns(Complex* const* matrix, Complex* const* rows, int n,
                                 int firstColumn, int width, Complex* workspace) {
    for (int k = 0; k < n; ++k) {
        const Complex* source = rows[k] + firstColumn;
        Complex* packed = workspace + static_cast<std::size_t>(k) * width;
        for (int c = 0; c < width; ++c) packed[c] = source[c];
    }
    SubstitutePacked(matrix, workspace, n, width);
    for (int k = 0; k < n; ++k) {
        const Complex* packed = workspace + static_cast<std::size_t>(k) * width;
        Complex* target = rows[k] + firstColumn;
        for (int c = 0; c < width; ++c) target[c] = packed[c];
    }
    return Status::ok;
}

void CLinEqu::SubstitutePacked(Complex* const* matrix, Complex* columns, int n, int width) {
    const std::size_t stride = static_cast<std::size_t>(width);
    // Forward: row i of the right-hand sides loses L[i][k] times row k, k ascending, and is then
    // divided by L[i][i].
    for (int i = 0; i < n; ++i) {
        const Complex* row = matrix[i];
        Complex* target = columns + i * stride;
        for (int k = 0; k < i; ++k) SubtractScaled(target, columns + k * stride, row[k], 0, width);
        const Complex pivot = row[i];
        for (int c = 0; c < width; ++c) target[c] = target[c] / pivot;
    }
    // Back: row i loses U[i][j] times row j, j ascending from i + 1.
    for (int i = n - 1; i >= 0; --i) {
        const Complex* row = matrix[i];
        Complex* target = columns + i * stride;
        for (int j = i + 1; j < n; ++j)
            SubtractScaled(target, columns + j * stride, row[j], 0, width);
    }
}
