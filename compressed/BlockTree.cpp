#include "compressed/BlockTree.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/LogFile.h"
#include "base/Status.h"

int CBlockTree::Build(const CClusterTree& rows, const CClusterTree& columns, double eta) {
    blocks.clear();
    denseEntries = 0;
    admissibleSides = 0;
    if (!(eta > 0.0) || rows.Nodes().empty() || columns.Nodes().empty()) {
        logFile.ReportError("CBlockTree", "Build", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    const std::vector<ClusterNode>& rowNodes = rows.Nodes();
    const std::vector<ClusterNode>& columnNodes = columns.Nodes();
    try {
        // Depth first, the first child pair first: a stack of pairs still to look at.
        std::vector<std::pair<int, int>> pending{{0, 0}};
        while (!pending.empty()) {
            const auto [r, c] = pending.back();
            pending.pop_back();
            const ClusterNode& row = rowNodes[static_cast<std::size_t>(r)];
            const ClusterNode& column = columnNodes[static_cast<std::size_t>(c)];
            const double distance = CClusterTree::Distance(row, column);
            const double diameter =
                std::min(CClusterTree::Diameter(row), CClusterTree::Diameter(column));
            const std::size_t m = static_cast<std::size_t>(row.count);
            const std::size_t n = static_cast<std::size_t>(column.count);
            if (distance > 0.0 && diameter <= eta * distance) {
                blocks.push_back({r, c, true});
                admissibleSides += m + n;
                continue;
            }
            if (row.IsLeaf() && column.IsLeaf()) {
                blocks.push_back({r, c, false});
                denseEntries += m * n;
                continue;
            }
            // Split the side that is not a leaf; both when neither is, pushed in reverse so
            // that the first child pair comes out first.
            const bool splitRows = !row.IsLeaf();
            const bool splitColumns = !column.IsLeaf();
            for (int i = splitRows ? 1 : 0; i >= 0; --i) {
                for (int j = splitColumns ? 1 : 0; j >= 0; --j) {
                    pending.emplace_back(splitRows ? row.children[i] : r,
                                         splitColumns ? column.children[j] : c);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        blocks.clear();
        logFile.ReportError("CBlockTree", "Build", Message::noMemory, nullptr);
        return Status::noMemory;
    }
    return Status::ok;
}
