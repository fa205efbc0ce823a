// Rows of A and B on several threads: a range of rows cut into disjoint pieces that the threads
// compute at the same time, each with CGenerator::ComputeMatrixRows into its own rows of the
// caller's memory. A row is computed by the same operations whichever thread computes it, so the
// rows are the same for every thread count.
#pragma once

#include "base/Complex.h"
#include "base/Vector3.h"
#include "generator/Generator.h"

// The final rows first .. first + count - 1 of rowPoints (as CGenerator::ComputeMatrixRows:
// free terms from solidAngles when given, B scaled by -j omega DENSITY) into a and b, count rows
// of generator.pointCount entries each, row by row, computed by `threads` threads (0 for every
// hardware thread). Returns when all rows are done. Needs Init and LoadRules.
void ComputeMatrixRowsThreaded(const CGenerator& generator, int threads, double omega,
                               const Vector3* rowPoints, const double* solidAngles, int first,
                               int count, Complex* a, Complex* b);
