#include "solver/LinEqu.h"

#include "app/LogFile.h"
#include "app/Status.h"

namespace {

// Smallest pivot modulus accepted, the same for every matrix.
constexpr double pivotBound = 1e-10;

// row[i] -= factor * source[i] for first <= i < end: one subtraction per entry, so the entries
// keep receiving their subtractions in the order the caller issues them.
inline void SubtractScaled(Complex* row, const Complex* source, Complex factor, int first,
                           int end) {
    for (int i = first; i < end; ++i) row[i] -= factor * source[i];
}

}  // namespace

int CLinEqu::LUDecompose(Complex* const* matrix, int n) {
    for (int a = 0; a < n; ++a) {
        logFile.PrintNumber(a, 0);
        logFile.Print("/", 0);
        logFile.PrintNumber(n, 0);
        logFile.Print("\r", 0);

        Complex* row = matrix[a];
        // Lower part L[a][0..a]: entry i takes the products with k < i in ascending k. Entry k is
        // final once the products with all smaller k are subtracted, so it can scale row k.
        for (int k = 0; k < a; ++k) SubtractScaled(row, matrix[k], row[k], k + 1, a + 1);

        if (!(Abs(row[a]) >= pivotBound)) {
            logFile.ReportError(className, "LUDecompose", Message::singularMatrix, "A");
            return Status::badArguments;
        }

        // Upper part U[a][a+1..n-1]: the products with k < a in ascending k, then the division.
        for (int k = 0; k < a; ++k) SubtractScaled(row, matrix[k], row[k], a + 1, n);
        const Complex pivot = row[a];
        for (int j = a + 1; j < n; ++j) row[j] = row[j] / pivot;
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

int CLinEqu::LUSubstituteColumns(Complex* const* matrix, Complex* const* columns, int n,
                                 int firstColumn, int endColumn) {
    // Forward: row i of the right-hand sides loses L[i][k] times row k, k ascending, and is then
    // divided by L[i][i].
    for (int i = 0; i < n; ++i) {
        const Complex* row = matrix[i];
        Complex* target = columns[i];
        for (int k = 0; k < i; ++k)
            SubtractScaled(target, columns[k], row[k], firstColumn, endColumn);
        const Complex pivot = row[i];
        for (int c = firstColumn; c < endColumn; ++c) target[c] = target[c] / pivot;
    }
    // Back: row i loses U[i][j] times row j, j ascending from i + 1.
    for (int i = n - 1; i >= 0; --i) {
        const Complex* row = matrix[i];
        Complex* target = columns[i];
        for (int j = i + 1; j < n; ++j)
            SubtractScaled(target, columns[j], row[j], firstColumn, endColumn);
    }
    return Status::ok;
}
