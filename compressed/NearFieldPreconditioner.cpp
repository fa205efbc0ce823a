#include "compressed/NearFieldPreconditioner.h"

#include <atomic>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "compressed/ComplexVector.h"

namespace {

// Adds the block (positions relative to the diagonal block starting at `first`) to the s x s
// dense matrix.
void ExpandInto(const HMatrixBlock& block, int first, int s, Complex* dense) {
    const int m = block.rowCount;
    const int n = block.columnCount;
    const std::size_t stride = static_cast<std::size_t>(s);
    Complex* origin = dense + static_cast<std::size_t>(block.rowFirst - first) * stride +
                      static_cast<std::size_t>(block.columnFirst - first);
    if (block.rank < 0) {
        for (int i = 0; i < m; ++i) {
            const Complex* source =
                block.data + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
            Complex* target = origin + static_cast<std::size_t>(i) * stride;
            for (int j = 0; j < n; ++j) target[j] = source[j];
        }
        return;
    }
    const Complex* u = block.data;
    const Complex* w =
        block.data + static_cast<std::size_t>(block.rank) * static_cast<std::size_t>(m);
    for (int i = 0; i < m; ++i) {
        Complex* target = origin + static_cast<std::size_t>(i) * stride;
        for (int j = 0; j < n; ++j) target[j] = {0.0, 0.0};
        for (int l = 0; l < block.rank; ++l)
            AddScaled(target, w + static_cast<std::size_t>(l) * static_cast<std::size_t>(n),
                      u[static_cast<std::size_t>(l) * static_cast<std::size_t>(m) +
                        static_cast<std::size_t>(i)],
                      n);
    }
}

// P A = L U in place with partial pivoting (rows exchanged whole); false for a zero pivot.
bool Factorise(Complex* a, int s, int* pivots) {
    const std::size_t stride = static_cast<std::size_t>(s);
    const auto row = [&](int i) { return a + static_cast<std::size_t>(i) * stride; };
    for (int k = 0; k < s; ++k) {
        int p = k;
        double largest = SquaredAbs(row(k)[k]);
        for (int i = k + 1; i < s; ++i) {
            const double value = SquaredAbs(row(i)[k]);
            if (value > largest) {
                largest = value;
                p = i;
            }
        }
        pivots[k] = p;
        if (!(largest > 0.0)) return false;
        if (p != k) {
            for (int j = 0; j < s; ++j) {
                const Complex t = row(k)[j];
                row(k)[j] = row(p)[j];
                row(p)[j] = t;
            }
        }
        const Complex* pivotRow = row(k);
        const Complex pivot = pivotRow[k];
        for (int i = k + 1; i < s; ++i) {
            Complex* target = row(i);
            target[k] = target[k] / pivot;
            const Complex factor = target[k];
            for (int j = k + 1; j < s; ++j) target[j] -= factor * pivotRow[j];
        }
    }
    return true;
}

void Swap(Complex& a, Complex& b) {
    const Complex t = a;
    a = b;
    b = t;
}

// x = A^-1 x from the factors.
void SolveFactored(const Complex* lu, const int* pivots, int s, Complex* x) {
    const std::size_t stride = static_cast<std::size_t>(s);
    for (int k = 0; k < s; ++k) {
        if (pivots[k] != k) Swap(x[k], x[pivots[k]]);
    }
    for (int i = 0; i < s; ++i) {
        const Complex* row = lu + static_cast<std::size_t>(i) * stride;
        Complex sum = x[i];
        for (int j = 0; j < i; ++j) sum -= row[j] * x[j];
        x[i] = sum;
    }
    for (int i = s - 1; i >= 0; --i) {
        const Complex* row = lu + static_cast<std::size_t>(i) * stride;
        Complex sum = x[i];
        for (int j = i + 1; j < s; ++j) sum -= row[j] * x[j];
        x[i] = sum / row[i];
    }
}

// x = A^-H x from the factors: A^H = U^H L^H P.
void SolveFactoredAdjoint(const Complex* lu, const int* pivots, int s, Complex* x) {
    const std::size_t stride = static_cast<std::size_t>(s);
    for (int j = 0; j < s; ++j) {
        const Complex* row = lu + static_cast<std::size_t>(j) * stride;
        x[j] = x[j] / Conjugate(row[j]);
        const Complex value = x[j];
        for (int i = j + 1; i < s; ++i) x[i] -= ConjugateTimes(row[i], value);
    }
    for (int j = s - 1; j >= 0; --j) {
        const Complex* row = lu + static_cast<std::size_t>(j) * stride;
        const Complex value = x[j];
        for (int i = 0; i < j; ++i) x[i] -= ConjugateTimes(row[i], value);
    }
    for (int k = s - 1; k >= 0; --k) {
        if (pivots[k] != k) Swap(x[k], x[pivots[k]]);
    }
}

}  // namespace

int CNearFieldPreconditioner::Build(const CHMatrix& matrix, int blockSize, int threads) {
    order.clear();
    diagonal.clear();
    threadCount = threads;
    const CClusterTree& tree = matrix.RowTree();
    if (matrix.Rows() == 0 || matrix.Rows() != matrix.Columns() ||
        tree.Order() != matrix.ColumnTree().Order() || blockSize < 1) {
        logFile.ReportError(className, "Build", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    const int n = matrix.Rows();
    std::vector<int> clusterOf;
    std::vector<std::vector<int>> members;
    try {
        order = tree.Order();
        // The diagonal clusters in order of position: the first nodes, depth first, that are
        // leaves or small enough.
        std::vector<int> pending{0};
        const std::vector<ClusterNode>& nodes = tree.Nodes();
        while (!pending.empty()) {
            const ClusterNode& node = nodes[static_cast<std::size_t>(pending.back())];
            pending.pop_back();
            if (node.IsLeaf() || node.count <= blockSize) {
                Factor factor;
                factor.first = node.first;
                factor.count = node.count;
                diagonal.push_back(std::move(factor));
            } else {
                pending.push_back(node.children[1]);
                pending.push_back(node.children[0]);
            }
        }
        clusterOf.resize(static_cast<std::size_t>(n));
        for (std::size_t c = 0; c < diagonal.size(); ++c) {
            for (int k = 0; k < diagonal[c].count; ++k)
                clusterOf[static_cast<std::size_t>(diagonal[c].first + k)] = static_cast<int>(c);
        }
        members.resize(diagonal.size());
        for (int b = 0; b < matrix.BlockCount(); ++b) {
            const HMatrixBlock block = matrix.Block(b);
            const int c = clusterOf[static_cast<std::size_t>(block.rowFirst)];
            const Factor& factor = diagonal[static_cast<std::size_t>(c)];
            if (clusterOf[static_cast<std::size_t>(block.columnFirst)] != c) continue;
            if (block.rowFirst + block.rowCount > factor.first + factor.count ||
                block.columnFirst + block.columnCount > factor.first + factor.count)
                continue;
            members[static_cast<std::size_t>(c)].push_back(b);
        }
    } catch (const std::bad_alloc&) {
        order.clear();
        diagonal.clear();
        logFile.ReportError(className, "Build", Message::noMemory, nullptr);
        return Status::noMemory;
    }

    std::atomic<bool> outOfMemory{false};
    std::atomic<bool> singular{false};
    ForEachPiece(ResolveThreadCount(threads), static_cast<int>(diagonal.size()), [&](int c, int) {
        Factor& factor = diagonal[static_cast<std::size_t>(c)];
        const int s = factor.count;
        const std::size_t size = static_cast<std::size_t>(s) * static_cast<std::size_t>(s);
        factor.lu.reset(new (std::nothrow) Complex[size]);
        factor.pivots.reset(new (std::nothrow) int[static_cast<std::size_t>(s)]);
        if (!factor.lu || !factor.pivots) {
            outOfMemory = true;
            return;
        }
        for (std::size_t i = 0; i < size; ++i) factor.lu[i] = {0.0, 0.0};
        for (int b : members[static_cast<std::size_t>(c)])
            ExpandInto(matrix.Block(b), factor.first, s, factor.lu.get());
        if (!Factorise(factor.lu.get(), s, factor.pivots.get())) singular = true;
    });
    if (outOfMemory.load() || singular.load()) {
        order.clear();
        diagonal.clear();
        if (outOfMemory.load()) {
            logFile.ReportError(className, "Build", Message::noMemory, nullptr);
            return Status::noMemory;
        }
        logFile.ReportError(className, "Build", Message::singularMatrix, nullptr);
        return Status::badArguments;
    }
    return Status::ok;
}

std::size_t CNearFieldPreconditioner::MemoryBytes() const {
    std::size_t bytes = 0;
    for (const Factor& factor : diagonal)
        bytes += static_cast<std::size_t>(factor.count) * static_cast<std::size_t>(factor.count) *
                 sizeof(Complex);
    return bytes;
}

int CNearFieldPreconditioner::Solve(Complex* x) const { return Apply(x, false); }

int CNearFieldPreconditioner::SolveAdjoint(Complex* x) const { return Apply(x, true); }

int CNearFieldPreconditioner::Apply(Complex* x, bool adjoint) const {
    std::vector<Complex> permuted;
    try {
        permuted.resize(order.size());
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, adjoint ? "SolveAdjoint" : "Solve", Message::noMemory,
                            nullptr);
        return Status::noMemory;
    }
    for (std::size_t k = 0; k < order.size(); ++k) permuted[k] = x[order[k]];
    ForEachPiece(
        ResolveThreadCount(threadCount), static_cast<int>(diagonal.size()), [&](int c, int) {
            const Factor& factor = diagonal[static_cast<std::size_t>(c)];
            Complex* part = permuted.data() + factor.first;
            if (adjoint)
                SolveFactoredAdjoint(factor.lu.get(), factor.pivots.get(), factor.count, part);
            else
                SolveFactored(factor.lu.get(), factor.pivots.get(), factor.count, part);
        });
    for (std::size_t k = 0; k < order.size(); ++k) x[order[k]] = permuted[k];
    return Status::ok;
}
