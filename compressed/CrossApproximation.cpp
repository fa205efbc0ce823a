#include "compressed/CrossApproximation.h"

#include <algorithm>
#include <cstddef>

#include "compressed/ComplexVector.h"

namespace {

// The index of the entry of largest modulus among those not used, the first of equals; -1 when
// every index is used.
int LargestUnused(const std::vector<Complex>& values, const std::vector<char>& used) {
    int best = -1;
    double bestValue = -1.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (used[i]) continue;
        const double value = SquaredAbs(values[i]);
        if (value > bestValue) {
            bestValue = value;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The next index after `from` (cyclically) not used, -1 when there is none.
int NextUnused(const std::vector<char>& used, int from) {
    const int count = static_cast<int>(used.size());
    for (int step = 1; step <= count; ++step) {
        const int i = (from + step) % count;
        if (!used[static_cast<std::size_t>(i)]) return i;
    }
    return -1;
}

}  // namespace

int CrossApproximate(const BlockEntryFunction& entries, const int* rows, int m, const int* columns,
                     int n, double tolerance, int maxRank, std::vector<Complex>& u,
                     std::vector<Complex>& w) {
    u.clear();
    w.clear();
    const std::size_t mm = static_cast<std::size_t>(m);
    const std::size_t nn = static_cast<std::size_t>(n);
    std::vector<Complex> row(nn), column(mm), referenceRow(nn), referenceColumn(mm);
    std::vector<char> usedRow(mm, 0), usedColumn(nn, 0);
    int rank = 0;

    // Row i and column j of the residual: the block's entries less the terms so far, term by
    // term in order.
    const auto residualRow = [&](int i, std::vector<Complex>& target) {
        const int status = entries(rows + i, 1, columns, n, target.data());
        if (status < 0) return status;
        for (int l = 0; l < rank; ++l) {
            SubtractScaled(target.data(), w.data() + static_cast<std::size_t>(l) * nn,
                           u[static_cast<std::size_t>(l) * mm + static_cast<std::size_t>(i)], n);
        }
        return 0;
    };
    const auto residualColumn = [&](int j, std::vector<Complex>& target) {
        const int status = entries(rows, m, columns + j, 1, target.data());
        if (status < 0) return status;
        for (int l = 0; l < rank; ++l) {
            SubtractScaled(target.data(), u.data() + static_cast<std::size_t>(l) * mm,
                           w[static_cast<std::size_t>(l) * nn + static_cast<std::size_t>(j)], m);
        }
        return 0;
    };

    int referenceRowIndex = 0;
    int referenceColumnIndex = 0;
    int status = residualRow(referenceRowIndex, referenceRow);
    if (status < 0) return status;
    status = residualColumn(referenceColumnIndex, referenceColumn);
    if (status < 0) return status;

    double approximation = 0.0;  // ||U W||_F^2
    for (int attempt = 0; attempt < m + n; ++attempt) {
        const int rowCandidate = LargestUnused(referenceColumn, usedRow);
        const int columnCandidate = LargestUnused(referenceRow, usedColumn);
        if (rowCandidate < 0 || columnCandidate < 0) break;
        const double rowValue = SquaredAbs(referenceColumn[static_cast<std::size_t>(rowCandidate)]);
        const double columnValue =
            SquaredAbs(referenceRow[static_cast<std::size_t>(columnCandidate)]);
        if (rowValue == 0.0 && columnValue == 0.0) break;
        int pivotRow;
        int pivotColumn;
        if (rowValue > columnValue) {
            pivotRow = rowCandidate;
            if ((status = residualRow(pivotRow, row)) < 0) return status;
            pivotColumn = LargestUnused(row, usedColumn);
            if ((status = residualColumn(pivotColumn, column)) < 0) return status;
        } else {
            pivotColumn = columnCandidate;
            if ((status = residualColumn(pivotColumn, column)) < 0) return status;
            pivotRow = LargestUnused(column, usedRow);
            if ((status = residualRow(pivotRow, row)) < 0) return status;
        }
        usedRow[static_cast<std::size_t>(pivotRow)] = 1;
        usedColumn[static_cast<std::size_t>(pivotColumn)] = 1;
        const Complex pivot = row[static_cast<std::size_t>(pivotColumn)];
        const bool added = SquaredAbs(pivot) > 0.0;
        bool smallTerm = false;
        if (added) {
            if (rank >= maxRank) return maxRank + 1;
            for (std::size_t j = 0; j < nn; ++j) row[j] = row[j] / pivot;
            // ||S_k||^2 = ||S_k-1||^2 + 2 Re sum_l (u_l^H u_k)(w_l^H w_k) + ||u_k||^2 ||w_k||^2
            Complex cross{0.0, 0.0};
            for (int l = 0; l < rank; ++l) {
                cross +=
                    InnerProduct(u.data() + static_cast<std::size_t>(l) * mm, column.data(), m) *
                    InnerProduct(w.data() + static_cast<std::size_t>(l) * nn, row.data(), n);
            }
            const double term = SquaredNorm(column.data(), m) * SquaredNorm(row.data(), n);
            approximation += 2.0 * cross.re + term;
            u.insert(u.end(), column.begin(), column.end());
            w.insert(w.end(), row.begin(), row.end());
            ++rank;
            smallTerm = term <= tolerance * tolerance * approximation;
        }

        // The references follow the residual; one that became a pivot's line is replaced by
        // the next line not yet used, computed afresh.
        const std::size_t last = added ? static_cast<std::size_t>(rank - 1) : 0;
        if (usedRow[static_cast<std::size_t>(referenceRowIndex)]) {
            referenceRowIndex = NextUnused(usedRow, referenceRowIndex);
            if (referenceRowIndex < 0) break;
            if ((status = residualRow(referenceRowIndex, referenceRow)) < 0) return status;
        } else if (added) {
            SubtractScaled(referenceRow.data(), w.data() + last * nn,
                           u[last * mm + static_cast<std::size_t>(referenceRowIndex)], n);
        }
        if (usedColumn[static_cast<std::size_t>(referenceColumnIndex)]) {
            referenceColumnIndex = NextUnused(usedColumn, referenceColumnIndex);
            if (referenceColumnIndex < 0) break;
            if ((status = residualColumn(referenceColumnIndex, referenceColumn)) < 0) return status;
        } else if (added) {
            SubtractScaled(referenceColumn.data(), u.data() + last * mm,
                           w[last * nn + static_cast<std::size_t>(referenceColumnIndex)], m);
        }
        // A small last term alone can mislead when the crosses so far missed a part of the
        // block: the reference lines, which no cross has passed through, must agree. Each is a
        // sample of the residual; m (or n) times its squared norm estimates the residual's.
        if (smallTerm) {
            const double rest = std::max(SquaredNorm(referenceRow.data(), n) * m,
                                         SquaredNorm(referenceColumn.data(), m) * n);
            if (rest <= tolerance * tolerance * approximation) break;
        }
    }
    return rank;
}
