#include "compressed/HMatrix.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "compressed/ComplexVector.h"
#include "compressed/CrossApproximation.h"
#include "compressed/Recompression.h"

namespace {

std::unique_ptr<Complex[]> NewEntries(std::size_t count) {
    std::unique_ptr<Complex[]> entries(new (std::nothrow) Complex[count]);
    if (!entries) throw std::bad_alloc();
    return entries;
}

}  // namespace

int CHMatrix::StoreLowRank(StoredBlock& block, const std::vector<Complex>& u,
                           const std::vector<Complex>& w, int m, int n, int rank) {
    const std::size_t uSize = static_cast<std::size_t>(rank) * static_cast<std::size_t>(m);
    const std::size_t wSize = static_cast<std::size_t>(rank) * static_cast<std::size_t>(n);
    if (rank > 0) {
        block.data = NewEntries(uSize + wSize);
        std::copy(u.begin(), u.begin() + static_cast<std::ptrdiff_t>(uSize), block.data.get());
        std::copy(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(wSize),
                  block.data.get() + uSize);
    }
    block.rank = rank;
    return Status::ok;
}

void CHMatrix::Clear() {
    blocks.clear();
    rowTree = CClusterTree();
    columnTree = CClusterTree();
    statistics = HMatrixStatistics();
}

int CHMatrix::Assemble(const CClusterTree& rows, const CClusterTree& columns,
                       const BlockEntryFunction& entries, const HMatrixOptions& options) {
    return AssembleAll(rows, columns, entries, options, nullptr, nullptr, 0);
}

int CHMatrix::AssembleWithProduct(const CClusterTree& rows, const CClusterTree& columns,
                                  const BlockEntryFunction& pairEntries,
                                  const HMatrixOptions& options, const Complex* x, Complex* y,
                                  int count) {
    if (x == nullptr || y == nullptr || count < 1) {
        Clear();
        logFile.ReportError(className, "Assemble", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    return AssembleAll(rows, columns, pairEntries, options, x, y, count);
}

int CHMatrix::AssembleAll(const CClusterTree& rows, const CClusterTree& columns,
                          const BlockEntryFunction& entries, const HMatrixOptions& options,
                          const Complex* x, Complex* y, int count) {
    Clear();
    threadCount = options.threads;
    if (!entries || !(options.tolerance > 0.0) || rows.PointCount() == 0 ||
        columns.PointCount() == 0) {
        logFile.ReportError(className, "Assemble", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    CBlockTree tree;
    int status = tree.Build(rows, columns, options.eta);
    if (status < 0) return status;
    const std::vector<BlockNode>& nodes = tree.Blocks();
    std::vector<int> assemblyOrder;
    std::vector<int> blockStatus;
    // With a companion: K x in the row tree's order, each block's share added in block order
    // (whatever thread computed it), and the shares of blocks computed before all earlier ones.
    const std::size_t rowCount = static_cast<std::size_t>(rows.PointCount());
    std::vector<Complex> sum;
    std::vector<std::vector<Complex>> waiting;
    std::vector<char> computed;
    std::size_t added = 0;
    std::mutex adding;
    try {
        rowTree = rows;
        columnTree = columns;
        blocks.resize(nodes.size());
        assemblyOrder.resize(nodes.size());
        blockStatus.assign(nodes.size(), Status::ok);
        if (x != nullptr) {
            sum.assign(rowCount * static_cast<std::size_t>(count), Complex{0.0, 0.0});
            waiting.resize(nodes.size());
            computed.assign(nodes.size(), 0);
        }
    } catch (const std::bad_alloc&) {
        Clear();
        logFile.ReportError(className, "Assemble", Message::noMemory, nullptr);
        return Status::noMemory;
    }
    const auto entryCount = [&](const BlockNode& node) {
        return static_cast<std::size_t>(
                   rowTree.Nodes()[static_cast<std::size_t>(node.rowNode)].count) *
               static_cast<std::size_t>(
                   columnTree.Nodes()[static_cast<std::size_t>(node.columnNode)].count);
    };
    for (std::size_t b = 0; b < nodes.size(); ++b) {
        blocks[b].rowNode = nodes[b].rowNode;
        blocks[b].columnNode = nodes[b].columnNode;
        assemblyOrder[b] = static_cast<int>(b);
    }
    // Largest first, so that no large block is left for the end while other threads idle; with
    // a companion in block order, so that the shares of K x are added as they come.
    if (x == nullptr) {
        std::stable_sort(assemblyOrder.begin(), assemblyOrder.end(), [&](int a, int b) {
            return entryCount(nodes[static_cast<std::size_t>(a)]) >
                   entryCount(nodes[static_cast<std::size_t>(b)]);
        });
    }
    // Takes the share of block b and adds every share that no earlier block waits for.
    const auto addShares = [&](std::size_t b, std::vector<Complex>& part) {
        const std::lock_guard<std::mutex> lock(adding);
        waiting[b].swap(part);
        computed[b] = 1;
        for (; added < nodes.size() && computed[added] != 0; ++added) {
            const ClusterNode& node =
                rowTree.Nodes()[static_cast<std::size_t>(nodes[added].rowNode)];
            const std::size_t m = static_cast<std::size_t>(node.count);
            const std::vector<Complex>& share = waiting[added];
            for (std::size_t c = 0; c < static_cast<std::size_t>(count); ++c) {
                Complex* target = sum.data() + c * rowCount + static_cast<std::size_t>(node.first);
                for (std::size_t i = 0; i < m; ++i) target[i] += share[c * m + i];
            }
            std::vector<Complex>().swap(waiting[added]);
        }
    };

    const int threads = ResolveThreadCount(threadCount);
    std::vector<std::vector<Complex>> uSpace(static_cast<std::size_t>(threads));
    std::vector<std::vector<Complex>> wSpace(static_cast<std::size_t>(threads));
    std::atomic<bool> failed{false};
    std::atomic<bool> outOfMemory{false};
    ForEachPiece(threads, static_cast<int>(nodes.size()), [&](int piece, int worker) {
        if (failed.load()) return;
        const std::size_t b =
            static_cast<std::size_t>(assemblyOrder[static_cast<std::size_t>(piece)]);
        int pieceStatus;
        try {
            std::vector<Complex>& u = uSpace[static_cast<std::size_t>(worker)];
            std::vector<Complex>& w = wSpace[static_cast<std::size_t>(worker)];
            if (x == nullptr) {
                pieceStatus = AssembleBlock(blocks[b], nodes[b].admissible, entries, options, u, w);
            } else {
                std::vector<Complex> part(
                    static_cast<std::size_t>(
                        rowTree.Nodes()[static_cast<std::size_t>(nodes[b].rowNode)].count) *
                    static_cast<std::size_t>(count));
                pieceStatus = AssemblePairBlock(blocks[b], nodes[b].admissible, entries, options,
                                                Product{x, count, part.data()}, u, w);
                if (pieceStatus == Status::ok) addShares(b, part);
            }
        } catch (const std::bad_alloc&) {
            pieceStatus = Status::noMemory;
            outOfMemory = true;
        }
        if (pieceStatus < 0) {
            blockStatus[b] = pieceStatus;
            failed = true;
        }
    });
    if (failed.load()) {
        Clear();
        if (outOfMemory.load()) {
            logFile.ReportError(className, "Assemble", Message::noMemory, nullptr);
            return Status::noMemory;
        }
        for (int s : blockStatus) {
            if (s < 0) return s;
        }
    }

    HMatrixStatistics result;
    result.denseBytes =
        static_cast<std::size_t>(Rows()) * static_cast<std::size_t>(Columns()) * sizeof(Complex);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const StoredBlock& block = blocks[b];
        const HMatrixBlock view = Block(static_cast<int>(b));
        const std::size_t m = static_cast<std::size_t>(view.rowCount);
        const std::size_t n = static_cast<std::size_t>(view.columnCount);
        if (block.rank < 0) {
            ++result.denseBlocks;
            result.memoryBytes += m * n * sizeof(Complex);
            if (nodes[b].admissible) ++result.incompressibleBlocks;
        } else {
            ++result.lowRankBlocks;
            const std::size_t bytes =
                static_cast<std::size_t>(block.rank) * (m + n) * sizeof(Complex);
            result.memoryBytes += bytes;
            result.lowRankBytes += bytes;
            result.largestRank = std::max(result.largestRank, block.rank);
        }
    }
    statistics = result;
    if (x != nullptr) {
        const std::vector<int>& order = rowTree.Order();
        for (std::size_t c = 0; c < static_cast<std::size_t>(count); ++c) {
            for (std::size_t k = 0; k < order.size(); ++k)
                y[c * rowCount + static_cast<std::size_t>(order[k])] = sum[c * rowCount + k];
        }
    }
    return Status::ok;
}

int CHMatrix::AssemblePairBlock(StoredBlock& block, bool admissible,
                                const BlockEntryFunction& entries, const HMatrixOptions& options,
                                const Product& product, std::vector<Complex>& u,
                                std::vector<Complex>& w) {
    const ClusterNode& rowNode = rowTree.Nodes()[static_cast<std::size_t>(block.rowNode)];
    const ClusterNode& columnNode = columnTree.Nodes()[static_cast<std::size_t>(block.columnNode)];
    const int m = rowNode.count;
    const int n = columnNode.count;
    const std::size_t mm = static_cast<std::size_t>(m);
    const std::size_t nn = static_cast<std::size_t>(n);
    const int* rows = rowTree.Order().data() + rowNode.first;
    const int* columns = columnTree.Order().data() + columnNode.first;
    // The block's columns of this matrix, then the same columns of K.
    std::vector<int> pair(2 * nn);
    for (std::size_t j = 0; j < nn; ++j) {
        pair[j] = columns[j];
        pair[nn + j] = columns[j] + Columns();
    }
    // Vector c of x and of the block's share, each computed as if it were the only one.
    const std::size_t count = static_cast<std::size_t>(product.count);
    const auto x = [&](std::size_t c) {
        return product.x + c * static_cast<std::size_t>(Columns());
    };
    const auto part = [&](std::size_t c) { return product.part + c * mm; };
    if (admissible) {
        const int pairBreakEven = static_cast<int>(2LL * m * n / (m + 2LL * n));
        int rank = CrossApproximate(entries, rows, m, pair.data(), 2 * n, options.tolerance,
                                    pairBreakEven, u, w);
        if (rank < 0) return rank;
        if (rank <= pairBreakEven) {
            // K x = U (W_K x), W_K the right half of every row of W.
            for (std::size_t i = 0; i < mm * count; ++i) product.part[i] = {0.0, 0.0};
            for (int l = 0; l < rank; ++l) {
                const Complex* row = w.data() + static_cast<std::size_t>(l) * 2 * nn + nn;
                for (std::size_t c = 0; c < count; ++c) {
                    const Complex* xc = x(c);
                    Complex sum{0.0, 0.0};
                    for (std::size_t j = 0; j < nn; ++j) sum += row[j] * xc[columns[j]];
                    AddScaled(part(c), u.data() + static_cast<std::size_t>(l) * mm, sum, m);
                }
            }
            // This matrix is U times the left halves, moved together.
            for (int l = 1; l < rank; ++l) {
                std::copy(w.begin() + static_cast<std::ptrdiff_t>(2 * nn * l),
                          w.begin() + static_cast<std::ptrdiff_t>(2 * nn * l + nn),
                          w.begin() + static_cast<std::ptrdiff_t>(nn * l));
            }
            const int breakEven =
                static_cast<int>(static_cast<long long>(m) * n / (static_cast<long long>(m) + n));
            if (rank > 0 && options.recompression > 0.0)
                rank = Recompress(u.data(), w.data(), m, n, rank,
                                  options.recompression * options.tolerance);
            if (rank <= breakEven) return StoreLowRank(block, u, w, m, n, rank);
            block.data = NewEntries(mm * nn);
            block.rank = -1;
            const int status = entries(rows, m, columns, n, block.data.get());
            if (status < 0) block.data.reset();
            return status < 0 ? status : Status::ok;
        }
    }
    std::vector<Complex> both(mm * 2 * nn);
    const int status = entries(rows, m, pair.data(), 2 * n, both.data());
    if (status < 0) return status;
    block.data = NewEntries(mm * nn);
    block.rank = -1;
    for (std::size_t i = 0; i < mm; ++i) {
        const Complex* row = both.data() + i * 2 * nn;
        std::copy(row, row + nn, block.data.get() + i * nn);
        for (std::size_t c = 0; c < count; ++c) {
            const Complex* xc = x(c);
            Complex sum{0.0, 0.0};
            for (std::size_t j = 0; j < nn; ++j) sum += row[nn + j] * xc[columns[j]];
            part(c)[i] = sum;
        }
    }
    return Status::ok;
}

int CHMatrix::AssembleBlock(StoredBlock& block, bool admissible, const BlockEntryFunction& entries,
                            const HMatrixOptions& options, std::vector<Complex>& u,
                            std::vector<Complex>& w) {
    const ClusterNode& rowNode = rowTree.Nodes()[static_cast<std::size_t>(block.rowNode)];
    const ClusterNode& columnNode = columnTree.Nodes()[static_cast<std::size_t>(block.columnNode)];
    const int m = rowNode.count;
    const int n = columnNode.count;
    const int* rows = rowTree.Order().data() + rowNode.first;
    const int* columns = columnTree.Order().data() + columnNode.first;
    if (admissible) {
        // Past this rank the factors take more memory than the entries.
        const int breakEven =
            static_cast<int>(static_cast<long long>(m) * n / (static_cast<long long>(m) + n));
        int rank =
            CrossApproximate(entries, rows, m, columns, n, options.tolerance, breakEven, u, w);
        if (rank < 0) return rank;
        if (rank <= breakEven && options.recompression > 0.0)
            rank = Recompress(u.data(), w.data(), m, n, rank,
                              options.recompression * options.tolerance);
        if (rank <= breakEven) return StoreLowRank(block, u, w, m, n, rank);
    }
    block.data = NewEntries(static_cast<std::size_t>(m) * static_cast<std::size_t>(n));
    block.rank = -1;
    const int status = entries(rows, m, columns, n, block.data.get());
    if (status < 0) block.data.reset();
    return status < 0 ? status : Status::ok;
}

HMatrixBlock CHMatrix::Block(int index) const {
    const StoredBlock& block = blocks[static_cast<std::size_t>(index)];
    const ClusterNode& rowNode = rowTree.Nodes()[static_cast<std::size_t>(block.rowNode)];
    const ClusterNode& columnNode = columnTree.Nodes()[static_cast<std::size_t>(block.columnNode)];
    HMatrixBlock view;
    view.rowFirst = rowNode.first;
    view.rowCount = rowNode.count;
    view.columnFirst = columnNode.first;
    view.columnCount = columnNode.count;
    view.rank = block.rank;
    view.data = block.data.get();
    return view;
}

int CHMatrix::Apply(const Complex* x, Complex* y) const { return Multiply(x, y, false); }

int CHMatrix::ApplyAdjoint(const Complex* x, Complex* y) const { return Multiply(x, y, true); }

namespace {

// out = B in for one stored block, or out = B^H in; `scratch` holds rank values.
void MultiplyBlock(const HMatrixBlock& block, const Complex* in, Complex* out, bool adjoint,
                   Complex* scratch) {
    const int m = block.rowCount;
    const int n = block.columnCount;
    const Complex* data = block.data;
    const int outCount = adjoint ? n : m;
    for (int i = 0; i < outCount; ++i) out[i] = {0.0, 0.0};
    if (block.rank < 0) {
        if (!adjoint) {
            for (int i = 0; i < m; ++i) {
                const Complex* row =
                    data + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
                Complex sum{0.0, 0.0};
                for (int j = 0; j < n; ++j) sum += row[j] * in[j];
                out[i] = sum;
            }
        } else {
            for (int i = 0; i < m; ++i) {
                const Complex* row =
                    data + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
                const Complex factor = in[i];
                for (int j = 0; j < n; ++j) out[j] += ConjugateTimes(row[j], factor);
            }
        }
        return;
    }
    const int k = block.rank;
    const Complex* u = data;
    const Complex* w = data + static_cast<std::size_t>(k) * static_cast<std::size_t>(m);
    const auto uColumn = [&](int l) {
        return u + static_cast<std::size_t>(l) * static_cast<std::size_t>(m);
    };
    const auto wRow = [&](int l) {
        return w + static_cast<std::size_t>(l) * static_cast<std::size_t>(n);
    };
    if (!adjoint) {
        // U (W in)
        for (int l = 0; l < k; ++l) {
            const Complex* row = wRow(l);
            Complex sum{0.0, 0.0};
            for (int j = 0; j < n; ++j) sum += row[j] * in[j];
            scratch[l] = sum;
        }
        for (int l = 0; l < k; ++l) AddScaled(out, uColumn(l), scratch[l], m);
    } else {
        // W^H (U^H in)
        for (int l = 0; l < k; ++l) scratch[l] = InnerProduct(uColumn(l), in, m);
        for (int l = 0; l < k; ++l) {
            const Complex* row = wRow(l);
            const Complex factor = scratch[l];
            for (int j = 0; j < n; ++j) out[j] += ConjugateTimes(row[j], factor);
        }
    }
}

}  // namespace

int CHMatrix::Multiply(const Complex* x, Complex* y, bool adjoint) const {
    const CClusterTree& inTree = adjoint ? rowTree : columnTree;
    const CClusterTree& outTree = adjoint ? columnTree : rowTree;
    const std::vector<int>& inOrder = inTree.Order();
    const std::vector<int>& outOrder = outTree.Order();
    const std::size_t inCount = inOrder.size();
    const std::size_t outCount = outOrder.size();
    const int threads = ResolveThreadCount(threadCount);
    std::vector<Complex> xp, yp, parts, scratch;
    std::vector<std::size_t> offsets;
    try {
        xp.resize(inCount);
        yp.assign(outCount, {0.0, 0.0});
        offsets.resize(blocks.size() + 1);
        offsets[0] = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const HMatrixBlock view = Block(static_cast<int>(b));
            offsets[b + 1] =
                offsets[b] + static_cast<std::size_t>(adjoint ? view.columnCount : view.rowCount);
        }
        parts.resize(offsets.back());
        scratch.resize(static_cast<std::size_t>(threads) *
                       static_cast<std::size_t>(std::max(statistics.largestRank, 1)));
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, adjoint ? "ApplyAdjoint" : "Apply", Message::noMemory,
                            nullptr);
        return Status::noMemory;
    }
    for (std::size_t k = 0; k < inCount; ++k) xp[k] = x[inOrder[k]];
    const std::size_t rankSpace = static_cast<std::size_t>(std::max(statistics.largestRank, 1));
    ForEachPiece(threads, static_cast<int>(blocks.size()), [&](int piece, int worker) {
        const HMatrixBlock view = Block(piece);
        const int inFirst = adjoint ? view.rowFirst : view.columnFirst;
        MultiplyBlock(view, xp.data() + inFirst,
                      parts.data() + offsets[static_cast<std::size_t>(piece)], adjoint,
                      scratch.data() + static_cast<std::size_t>(worker) * rankSpace);
    });
    // The parts are added in block order, whatever thread computed them.
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const HMatrixBlock view = Block(static_cast<int>(b));
        const int outFirst = adjoint ? view.columnFirst : view.rowFirst;
        const int count = adjoint ? view.columnCount : view.rowCount;
        const Complex* part = parts.data() + offsets[b];
        Complex* target = yp.data() + outFirst;
        for (int i = 0; i < count; ++i) target[i] += part[i];
    }
    for (std::size_t k = 0; k < outCount; ++k) y[outOrder[k]] = yp[k];
    return Status::ok;
}
