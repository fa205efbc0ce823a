// A compressed (hierarchical) matrix: the blocks of a block tree, the admissible ones as low-rank
// products U W found by adaptive cross approximation, the others dense. Its products with a
// vector run on several threads and give the same result bit for bit for every thread count:
// every block multiplies into a buffer of its own, and the buffers are added in block order.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "compressed/BlockEntries.h"
#include "compressed/BlockTree.h"
#include "compressed/ClusterTree.h"
#include "compressed/LinearOperator.h"

struct HMatrixOptions {
    // Cross approximation stops when the last rank-one term is below this fraction of the
    // approximation (Frobenius norms): the relative error of each low-rank block.
    double tolerance = 1e-4;
    double eta = 2.0;  // admissibility: min(diameters) <= eta * distance
    // Low-rank blocks are recompressed (orthogonalised factors, singular values of the core) to
    // the smallest rank within this fraction of the tolerance; 0 keeps the approximations as
    // they come.
    double recompression = 0.5;
    int threads = 0;  // 0: every hardware thread
};

struct HMatrixStatistics {
    std::size_t memoryBytes = 0;   // the entries held: dense blocks and the low-rank factors
    std::size_t denseBytes = 0;    // what the whole matrix would take dense
    std::size_t lowRankBytes = 0;  // the part of memoryBytes in low-rank factors
    int denseBlocks = 0;
    int lowRankBlocks = 0;
    int largestRank = 0;
    // Admissible blocks kept dense because no rank below the break-even one reached the
    // tolerance (counted among the dense blocks).
    int incompressibleBlocks = 0;
    double CompressionRatio() const {
        return denseBytes > 0 ? static_cast<double>(memoryBytes) / static_cast<double>(denseBytes)
                              : 0.0;
    }
};

// One block as stored, rows and columns as positions in the trees' orders. A dense block holds
// rowCount x columnCount entries row by row (rank -1). A low-rank block of rank k holds U, k
// columns of rowCount entries one after the other, then W, k rows of columnCount entries: the
// block is U W.
struct HMatrixBlock {
    int rowFirst = 0;
    int rowCount = 0;
    int columnFirst = 0;
    int columnCount = 0;
    int rank = -1;
    const Complex* data = nullptr;  // borrowed from the matrix
};

class CHMatrix : public CLinearOperator {
public:
    // Computes every block of the partition of the row points by the column points (the trees
    // are copied) from `entries`, on options.threads threads. 0; or a negative status: the
    // callback's own, or -1/-4 after a report; the matrix is then empty. Blocks are computed
    // largest first; after a failure no further block starts.
    int Assemble(const CClusterTree& rows, const CClusterTree& columns,
                 const BlockEntryFunction& entries, const HMatrixOptions& options);
    // The same, with a second matrix K beside it of the same rows and columns, and in the same
    // pass over the blocks y = K x for `count` vectors x: `pairEntries` gives column j of this
    // matrix as column j and column j of K as column n + j (n the column count), and every block
    // of both comes from one call for a dense block, or one cross approximation of the two side
    // by side for a low-rank one. K is not kept. x holds the count vectors of n values one after
    // the other, y those of Rows() values, in the caller's numbering; each y is the same bit for
    // bit for every thread count and whatever vectors stand beside its x. The blocks are then
    // computed in the partition's order, each block's share of K x added to y as soon as the
    // shares of the blocks before it are: only the shares of the few blocks computed ahead wait.
    // Returns as Assemble.
    int AssembleWithProduct(const CClusterTree& rows, const CClusterTree& columns,
                            const BlockEntryFunction& pairEntries, const HMatrixOptions& options,
                            const Complex* x, Complex* y, int count = 1);

    int Rows() const override { return rowTree.PointCount(); }
    int Columns() const override { return columnTree.PointCount(); }
    // Vectors in the caller's numbering of the points (not the trees' orders).
    int Apply(const Complex* x, Complex* y) const override;
    int ApplyAdjoint(const Complex* x, Complex* y) const override;

    void SetThreads(int threads) { threadCount = threads; }
    const HMatrixStatistics& Statistics() const { return statistics; }
    const CClusterTree& RowTree() const { return rowTree; }
    const CClusterTree& ColumnTree() const { return columnTree; }
    int BlockCount() const { return static_cast<int>(blocks.size()); }
    HMatrixBlock Block(int index) const;

private:
    struct StoredBlock {
        int rowNode = 0;
        int columnNode = 0;
        int rank = -1;
        std::unique_ptr<Complex[]> data;
    };
    // The companion of a joint assembly: its vectors x and each block's share of K x.
    struct Product {
        const Complex* x = nullptr;  // count vectors of Columns() values
        int count = 0;
        Complex* part = nullptr;  // count vectors of the block's rowCount values
    };
    int AssembleAll(const CClusterTree& rows, const CClusterTree& columns,
                    const BlockEntryFunction& entries, const HMatrixOptions& options,
                    const Complex* x, Complex* y, int count);
    int AssembleBlock(StoredBlock& block, bool admissible, const BlockEntryFunction& entries,
                      const HMatrixOptions& options, std::vector<Complex>& u,
                      std::vector<Complex>& w);
    int AssemblePairBlock(StoredBlock& block, bool admissible, const BlockEntryFunction& entries,
                          const HMatrixOptions& options, const Product& product,
                          std::vector<Complex>& u, std::vector<Complex>& w);
    // Keeps the first `rank` columns of U and rows of W (m x rank and rank x n) as the block.
    static int StoreLowRank(StoredBlock& block, const std::vector<Complex>& u,
                            const std::vector<Complex>& w, int m, int n, int rank);
    int Multiply(const Complex* x, Complex* y, bool adjoint) const;
    void Clear();

    const char* className = "CHMatrix";
    CClusterTree rowTree;
    CClusterTree columnTree;
    std::vector<StoredBlock> blocks;
    HMatrixStatistics statistics;
    int threadCount = 0;
};
