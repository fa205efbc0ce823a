#include "solver/LinEqu.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "solver/ProductKernel.h"

// The factorisation works on panels of panelRows rows. Entry (a, j) must lose the products
// L[a][k] U[k][j] for k = 0 .. min(a, j) - 1 in ascending k, each from the stored entry, and an
// entry right of the diagonal is then divided by the pivot L[a][a]. Once the panels above have
// done their part, a panel [p, e) does the rest in three steps:
//   1. its own square, row by row as the plain loops do (progress counter and pivot test);
//   2. the columns [p, e) of the rows below it (L), by pieces of rows;
//   2. the columns [p, e) of the rows below it (L);
//   3. the columns right of it: first its own rows (U), by chunks of columns, each chunk packed
//      once; then the rows below it lose the products with its rows k = p .. e - 1, by blocks of
//      rows, each block right after its step 2, chunk after chunk.
// Steps 2 and 3 give every entry its products in the same order whichever thread runs a piece.
// A block of rows keeps its factors in the second-level cache while all the chunks pass, and a
// chunk's packed rows stay there while the block's rows pass, so that the memory brings each
// entry once per panel and the factors once per block rather than once per chunk.

namespace {

// Smallest pivot modulus accepted, the same for every matrix.
constexpr double pivotBound = 1e-10;

constexpr int panelRows = 64;  // a multiple of complexLanes
constexpr int panelVectors = panelRows / complexLanes;
// Columns right of the panel packed and updated together.
constexpr int chunkColumns = 64;  // a multiple of complexLanes
constexpr int chunkVectors = chunkColumns / complexLanes;
// Rows below the panel per piece of steps 2 and 3: their factors (1 kB a row) and one packed
// chunk (128 kB) share the second-level cache. Measured on an AMD EPYC (512 kB of it per core)
// against the former order, each chunk over all the rows below: 128 rows 4 to 11 % faster on
// one thread at 3000 and 6000 unknowns and 15 % on two at 6000; 64 or 256 rows no faster.
constexpr int blockRows = 128;  // a multiple of tileRows
constexpr int smallBlockRows = blockRows / 4;
static_assert(chunkVectors % tileVectors == 0, "a chunk's packed rows hold whole groups");
// With 4 doubles per vector the panel's rows are packed by groups of tileVectors vectors for
// step 3, so that a tile reads its sources as one stream rather than 64 rows 2 kB apart
// (measured: about 5 % less time); with 8 the rows side by side measured as fast or faster.
constexpr bool groupedPanel = doublesBytes == 32;
// Rows of the right-hand sides that one packed block of the forward substitution covers.
constexpr int forwardRows = 64;

// row[i] -= factor * source[i] for first <= i < end: one subtraction per entry, so the entries
// keep receiving their subtractions in the order the caller issues them.
inline void SubtractScaled(Complex* row, const Complex* source, Complex factor, int first,
                           int end) {
    for (int i = first; i < end; ++i) row[i] -= factor * source[i];
}

int Min(int a, int b) { return a < b ? a : b; }

// Step 2 for the rows [first, end) below the panel [p, e); `packed` holds the panel's rows
// from column p on in dual form, `stride` doubles apart.
void UpdateLowerPart(Complex* const* matrix, int p, int e, int first, int end, const double* packed,
                     std::size_t stride) {
    const int vectors = (e - p) / complexLanes;
    const int tail = p + vectors * complexLanes;
    for (int r = first; r < end; r += tileRows) {
        const int count = Min(tileRows, end - r);
        Complex* rows[tileRows];
        const Complex* factors[tileRows];
        for (int i = 0; i < count; ++i) {
            rows[i] = matrix[r + i];
            factors[i] = matrix[r + i] + p;
        }
        for (int v = 0; v < vectors; ++v) {
            const int column = p + v * complexLanes;
            // The products with the panel rows left of this vector, then, k ascending, with
            // the rows of the vector's own columns.
            SubtractRows(rows, column, factors, packed + v * dualDoubles, stride, column - p, 1,
                         count);
            for (int i = 0; i < count; ++i) {
                for (int k = column; k < column + complexLanes; ++k)
                    SubtractScaled(rows[i], matrix[k], rows[i][k], k + 1, column + complexLanes);
            }
        }
        for (int i = 0; i < count; ++i) {
            for (int k = p; k < e; ++k)
                SubtractScaled(rows[i], matrix[k], rows[i][k], k + 1 > tail ? k + 1 : tail, e);
        }
    }
}

// Doubles of one chunk's packed panel rows, and their layout: row k at k * chunkStride within a
// group of tileVectors vectors, the groups chunkGroup apart.
constexpr std::size_t chunkDoubles =
    static_cast<std::size_t>(panelRows) * chunkVectors * dualDoubles;
constexpr std::size_t groupWidth = static_cast<std::size_t>(tileVectors) * dualDoubles;
// The layout of `rows` packed rows of `vectors` vectors each (PackDualGrouped): the doubles from
// one row to the next within a group, and from one group to the next.
constexpr std::size_t PackedRowStride(int vectors) {
    return groupedPanel ? groupWidth : static_cast<std::size_t>(vectors) * dualDoubles;
}
constexpr std::size_t PackedGroupStride(int rows) {
    return groupedPanel ? static_cast<std::size_t>(rows) * groupWidth : groupWidth;
}
constexpr std::size_t chunkStride = PackedRowStride(chunkVectors);
constexpr std::size_t chunkGroup = PackedGroupStride(panelRows);
static_assert(chunkDoubles / chunkColumns == 2 * decomposeWorkspacePerUnknown,
              "the work space the header announces");

// Step 3 for the panel's own rows [p, e) in the columns [first, end): row a loses the products
// with the panel rows above it, is divided by its pivot and is packed for the rows below.
void UpdatePanelRows(Complex* const* matrix, int p, int e, int first, int end, double* packed) {
    const int vectors = (end - first) / complexLanes;
    const int tail = first + vectors * complexLanes;
    for (int a = p; a < e; ++a) {
        Complex* row = matrix[a];
        Complex* const rows[1] = {row};
        const Complex* const factors[1] = {row + p};
        SubtractGroupedRows(rows, first, factors, packed, chunkStride, chunkGroup, a - p, vectors,
                            1);
        for (int k = p; k < a; ++k) SubtractScaled(row, matrix[k], row[k], tail, end);
        const Complex pivot = row[a];
        for (int j = first; j < end; ++j) row[j] = row[j] / pivot;
        PackDualGrouped(row + first, vectors,
                        packed + static_cast<std::size_t>(a - p) * chunkStride, chunkGroup);
    }
}

// Step 3 for the rows [rowFirst, rowEnd) below the panel [p, e) of the n x n matrix, every
// chunk right of the panel, chunk k packed at packedChunks + k * chunkDoubles; a tile of rows at
// a time over the whole chunk, the next rows' entries prefetched while it runs.
void UpdateRowsBelow(Complex* const* matrix, int n, int p, int e, int rowFirst, int rowEnd,
                     const double* packedChunks) {
    for (int first = e; first < n; first += chunkColumns) {
        const int end = Min(first + chunkColumns, n);
        const double* packed =
            packedChunks + static_cast<std::size_t>((first - e) / chunkColumns) * chunkDoubles;
        const int vectors = (end - first) / complexLanes;
        const int tail = first + vectors * complexLanes;
        for (int r = rowFirst; r < rowEnd; r += tileRows) {
            const int count = Min(tileRows, rowEnd - r);
            Complex* rows[tileRows];
            const Complex* factors[tileRows];
            for (int i = 0; i < count; ++i) {
                rows[i] = matrix[r + i];
                factors[i] = matrix[r + i] + p;
            }
            for (int i = r + tileRows; i < Min(r + 2 * tileRows, rowEnd); ++i)
                PrefetchEntries(matrix[i], first, end);
            SubtractGroupedRows(rows, first, factors, packed, chunkStride, chunkGroup, e - p,
                                vectors, count);
            for (int i = 0; i < count; ++i) {
                for (int k = p; k < e; ++k)
                    SubtractScaled(rows[i], matrix[k], rows[i][k], tail, end);
            }
        }
    }
}

}  // namespace

int CLinEqu::Threads(int pieces) const {
    const int threads = ResolveThreadCount(threadCount);
    return threads < pieces ? threads : pieces;
}

int CLinEqu::LUDecompose(Complex* const* matrix, int n) {
    alignas(64) double packedPanel[panelRows * panelVectors * dualDoubles];
    const std::size_t panelStride = static_cast<std::size_t>(panelVectors) * dualDoubles;
    // The packed panel rows of every chunk right of the first panel (2 kB a column), aligned to
    // the cache line.
    std::unique_ptr<double[]> chunkStore;
    double* packedChunks = nullptr;
    if (n > panelRows) {
        const std::size_t chunks =
            static_cast<std::size_t>(n - panelRows + chunkColumns - 1) / chunkColumns;
        constexpr std::size_t lineDoubles = 64 / sizeof(double);
        chunkStore.reset(new (std::nothrow) double[chunks * chunkDoubles + lineDoubles]);
        if (!chunkStore) {
            logFile.ReportError(className, "LUDecompose", Message::noMemory, "");
            return Status::noMemory;
        }
        const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(chunkStore.get());
        packedChunks =
            chunkStore.get() + (lineDoubles - address / sizeof(double) % lineDoubles) % lineDoubles;
    }
    for (int p = 0; p < n; p += panelRows) {
        const int e = Min(p + panelRows, n);
        for (int a = p; a < e; ++a) {
            logFile.PrintCounter(a, n);

            Complex* row = matrix[a];
            // Lower part L[a][p..a]: entry i takes the products with the panel rows k < i in
            // ascending k. Entry k is final once all smaller k are subtracted.
            for (int k = p; k < a; ++k) SubtractScaled(row, matrix[k], row[k], k + 1, a + 1);

            if (!(Abs(row[a]) >= pivotBound)) {
                logFile.ReportError(className, "LUDecompose", Message::singularMatrix, "A");
                return Status::badArguments;
            }

            // Upper part within the panel's columns: the products with the panel rows k < a,
            // then the division by the pivot.
            for (int k = p; k < a; ++k) SubtractScaled(row, matrix[k], row[k], a + 1, e);
            const Complex pivot = row[a];
            for (int j = a + 1; j < e; ++j) row[j] = row[j] / pivot;
        }
        if (e == n) break;

        const int vectors = (e - p) / complexLanes;
        for (int k = p; k < e; ++k)
            PackDual(matrix[k] + p, vectors,
                     packedPanel + static_cast<std::size_t>(k - p) * panelStride);
        const int chunks = (n - e + chunkColumns - 1) / chunkColumns;
        ForEachPiece(Threads(chunks), chunks, [&](int chunk, int) {
            const int first = e + chunk * chunkColumns;
            UpdatePanelRows(matrix, p, e, first, Min(first + chunkColumns, n),
                            packedChunks + static_cast<std::size_t>(chunk) * chunkDoubles);
        });
        // Blocks of blockRows rows, and with several threads the last rows by quarter blocks,
        // so that the threads finish the panel's steps close together.
        const int threads = Threads(n - e);
        const int smallRows = threads > 1 ? Min(n - e, threads * blockRows) : 0;
        const int largeBlocks = (n - e - smallRows) / blockRows;
        const int smallStart = e + largeBlocks * blockRows;
        const int blocks = largeBlocks + (n - smallStart + smallBlockRows - 1) / smallBlockRows;
        ForEachPiece(Threads(blocks), blocks, [&](int block, int) {
            const int first = block < largeBlocks
                                  ? e + block * blockRows
                                  : smallStart + (block - largeBlocks) * smallBlockRows;
            const int end = Min(first + (block < largeBlocks ? blockRows : smallBlockRows), n);
            UpdateLowerPart(matrix, p, e, first, end, packedPanel, panelStride);
            UpdateRowsBelow(matrix, n, p, e, first, end, packedChunks);
        });
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

namespace {

// Copies `columns` entries of each of n rows, row(k)[0 ..], into the block of n rows side by
// side, and back.
template <class Row>
void GatherColumns(int n, int columns, const Row& row, Complex* block) {
    for (int k = 0; k < n; ++k) {
        const Complex* source = row(k);
        Complex* target = block + static_cast<std::size_t>(k) * columns;
        for (int c = 0; c < columns; ++c) target[c] = source[c];
    }
}

template <class Row>
void ScatterColumns(int n, int columns, const Complex* block, const Row& row) {
    for (int k = 0; k < n; ++k) {
        const Complex* source = block + static_cast<std::size_t>(k) * columns;
        Complex* target = row(k);
        for (int c = 0; c < columns; ++c) target[c] = source[c];
    }
}

// Complex values of one thread's work space: the block of right-hand sides, and one group of
// rowVectors vectors of its columns, gathered for the back substitution.
std::size_t WorkerSize(int n, int blockWidth) {
    return static_cast<std::size_t>(n) * blockWidth +
           static_cast<std::size_t>(n) * rowVectors * complexLanes;
}

}  // namespace

std::size_t CLinEqu::ColumnWorkspaceSize(int n, int width) const {
    if (n <= 0 || width <= 0) return 0;
    const int blockWidth = Min(width, substitutionColumnBlock);
    const int blocks = (width + substitutionColumnBlock - 1) / substitutionColumnBlock;
    return static_cast<std::size_t>(Threads(blocks)) * WorkerSize(n, blockWidth);
}

int CLinEqu::LUSubstituteColumns(Complex* const* matrix, Complex* const* rows, int n,
                                 int firstColumn, int width, Complex* workspace) {
    if (n <= 0 || width <= 0) return Status::ok;
    const int blockWidth = Min(width, substitutionColumnBlock);
    const std::size_t workerSize = WorkerSize(n, blockWidth);
    const int blocks = (width + substitutionColumnBlock - 1) / substitutionColumnBlock;
    ForEachPiece(Threads(blocks), blocks, [&](int block, int worker) {
        const int first = firstColumn + block * substitutionColumnBlock;
        const int count = Min(substitutionColumnBlock, firstColumn + width - first);
        Complex* columns = workspace + static_cast<std::size_t>(worker) * workerSize;
        Complex* group = columns + static_cast<std::size_t>(n) * count;
        const auto rightHandSides = [&](int k) { return rows[k] + first; };
        GatherColumns(n, count, rightHandSides, columns);
        SubstitutePacked(matrix, columns, group, n, count);
        ScatterColumns(n, count, columns, rightHandSides);
    });
    return Status::ok;
}

void CLinEqu::SubstitutePacked(Complex* const* matrix, Complex* columns, Complex* group, int n,
                               int width) {
    const std::size_t stride = static_cast<std::size_t>(width);
    const int vectors = width / complexLanes;
    const int tail = vectors * complexLanes;
    const auto row = [&](int i) { return columns + static_cast<std::size_t>(i) * stride; };
    // Forward: row i of the right-hand sides loses L[i][k] times row k, k ascending, and is then
    // divided by L[i][i]. A block of rows is finished among itself, packed, and then subtracted
    // from all the rows below it, which receive their products in the same ascending order.
    alignas(64) double packed[forwardRows * (substitutionColumnBlock / complexLanes) * dualDoubles];
    const std::size_t packedStride = PackedRowStride(vectors);
    const std::size_t packedGroup = PackedGroupStride(forwardRows);
    for (int b0 = 0; b0 < n; b0 += forwardRows) {
        const int b1 = Min(b0 + forwardRows, n);
        for (int i = b0; i < b1; ++i) {
            Complex* target = row(i);
            const Complex* factors = matrix[i];
            SubtractRowProducts(target, factors, columns, stride, b0, i, vectors);
            for (int k = b0; k < i; ++k) SubtractScaled(target, row(k), factors[k], tail, width);
            const Complex pivot = factors[i];
            for (int c = 0; c < width; ++c) target[c] = target[c] / pivot;
        }
        if (b1 == n) break;
        for (int k = b0; k < b1; ++k)
            PackDualGrouped(row(k), vectors,
                            packed + static_cast<std::size_t>(k - b0) * packedStride, packedGroup);
        for (int r = b1; r < n; r += tileRows) {
            const int count = Min(tileRows, n - r);
            Complex* targets[tileRows];
            const Complex* factors[tileRows];
            for (int i = 0; i < count; ++i) {
                targets[i] = row(r + i);
                factors[i] = matrix[r + i] + b0;
            }
            SubtractGroupedRows(targets, 0, factors, packed, packedStride, packedGroup, b1 - b0,
                                vectors, count);
            for (int i = 0; i < count; ++i) {
                for (int k = b0; k < b1; ++k)
                    SubtractScaled(targets[i], row(k), matrix[r + i][k], tail, width);
            }
        }
    }
    // Back: row i loses U[i][j] times row j, j ascending from i + 1. Each row needs the row
    // below it finished, so the rows go one by one and no source can stay in registers for
    // several rows: every product reads its source from the cache. The columns go by groups of
    // rowVectors vectors, gathered side by side (128 B a row with AVX2, 256 B with AVX-512) so
    // that the rows below stream from the second-level cache rather than from rows 1 kB apart.
    // Packing them in dual form doubles what streams and measured slower.
    for (int v = 0; v < vectors; v += rowVectors) {
        const int groupVectors = Min(rowVectors, vectors - v);
        const int groupColumns = groupVectors * complexLanes;
        const auto groupOfRow = [&](int i) { return row(i) + v * complexLanes; };
        GatherColumns(n, groupColumns, groupOfRow, group);
        for (int i = n - 1; i >= 0; --i)
            SubtractRowProducts(group + static_cast<std::size_t>(i) * groupColumns, matrix[i],
                                group, groupColumns, i + 1, n, groupVectors);
        ScatterColumns(n, groupColumns, group, groupOfRow);
    }
    for (int i = n - 1; i >= 0; --i) {
        const Complex* factors = matrix[i];
        for (int j = i + 1; j < n; ++j) SubtractScaled(row(i), row(j), factors[j], tail, width);
    }
}
