// Rows of A and B on several threads: rows that the threads compute at the same time, each with
// CGenerator::ComputeMatrixRows into memory of its own. A row is computed by the same operations
// whichever thread computes it, so the rows are the same for every thread count.
#pragma once

#include <functional>

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

// The rows a stream of rows holds at a time for `threads` threads (0 for every hardware thread):
// the size, in rows of pointCount entries, of the buffers StreamMatrixRows needs.
int StreamRowCapacity(int threads);

// The final rows of all rowCount row points, computed by `threads` threads (the calling thread
// among them) and handed to consume(row, a, b) in row order, one call at a time: the thread that
// finishes the row due next consumes it and those after it that are done, while the others go
// on computing. ringA and ringB hold StreamRowCapacity(threads) rows each. consume returns 0 to
// go on, or a negative status to stop: no further row is then handed over, and the status is
// returned once the threads have stopped. 0 when every row was consumed.
int StreamMatrixRows(const CGenerator& generator, int threads, double omega,
                     const Vector3* rowPoints, const double* solidAngles, int rowCount,
                     Complex* ringA, Complex* ringB,
                     const std::function<int(int, const Complex*, const Complex*)>& consume);
