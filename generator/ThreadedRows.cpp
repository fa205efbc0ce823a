#include "generator/ThreadedRows.h"

#include <cstddef>

#include "base/Threads.h"

void ComputeMatrixRowsThreaded(const CGenerator& generator, int threads, double omega,
                               const Vector3* rowPoints, const double* solidAngles, int first,
                               int count, Complex* a, Complex* b) {
    const std::size_t columns =
        generator.pointCount > 0 ? static_cast<std::size_t>(generator.pointCount) : 0;
    // One row per piece: rows near many elements' nodes cost more, and a thread that is
    // done early takes the next row.
    const int used = ResolveThreadCount(threads);
    ForEachPiece(used < count ? used : count, count, [&](int row, int) {
        const std::size_t offset = static_cast<std::size_t>(row) * columns;
        generator.ComputeMatrixRows(omega, rowPoints, solidAngles, first + row, 1, a + offset,
                                    b + offset);
    });
}
