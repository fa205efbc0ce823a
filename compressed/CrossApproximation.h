// Adaptive cross approximation of a block: rank-one terms u w^T, each a column and a row of the
// remaining residual crossing at a pivot, until the last term is small against the sum. Pivots
// are steered by a reference row and a reference column whose residuals are kept up to date, so
// that parts of the block away from the first cross are not overlooked.
#pragma once

#include <vector>

#include "base/Complex.h"
#include "compressed/BlockEntries.h"

// Approximates the block of the rows[0, m) by the columns[0, n) (the callback's indices) as U W:
// U (m x k) in u, column after column; W (k x n) in w, row after row. Stops after the term k with
// ||u_k|| ||w_k|| <= tolerance ||U W||_F (the norm kept up to date from the terms' inner
// products) when the residuals of the reference row and column, scaled to the block, are below
// the same bound; or when the references and the residual leave nothing to pick. Returns k; or
// maxRank + 1 when k would exceed maxRank (u and w are then incomplete); or the callback's
// negative status. Throws std::bad_alloc when the memory is not there.
int CrossApproximate(const BlockEntryFunction& entries, const int* rows, int m, const int* columns,
                     int n, double tolerance, int maxRank, std::vector<Complex>& u,
                     std::vector<Complex>& w);
