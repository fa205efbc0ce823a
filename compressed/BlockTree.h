// The partition of a matrix into blocks over the row and column cluster trees. A pair of
// clusters far enough apart for their diameters is admissible and becomes one low-rank block:
// min(diam(rows), diam(columns)) <= eta * dist(rows, columns) with dist > 0. Other pairs are
// split on every side that is not a leaf until both are leaves; those become dense blocks.
#pragma once

#include <cstddef>
#include <vector>

#include "compressed/ClusterTree.h"

struct BlockNode {
    int rowNode = 0;     // node of the row tree
    int columnNode = 0;  // node of the column tree
    bool admissible = false;
};

class CBlockTree {
public:
    // 0; -1 for bad arguments (eta not positive, an empty tree), -4 without memory.
    int Build(const CClusterTree& rows, const CClusterTree& columns, double eta);

    // The blocks, a partition of the matrix, in a fixed order (depth first).
    const std::vector<BlockNode>& Blocks() const { return blocks; }
    // Entries of the dense blocks, and the sum of rows plus columns over the admissible blocks
    // (the memory of a low-rank block is its rank times that sum): for estimates before assembly.
    std::size_t DenseEntries() const { return denseEntries; }
    std::size_t AdmissibleSides() const { return admissibleSides; }

private:
    std::vector<BlockNode> blocks;
    std::size_t denseEntries = 0;
    std::size_t admissibleSides = 0;
};
