#include "compressed/ClusterTree.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"

namespace {

double Coordinate(const Vector3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

void BoundingBox(const Vector3* points, const int* order, int count, Vector3& low, Vector3& high) {
    low = high = points[order[0]];
    for (int k = 1; k < count; ++k) {
        const Vector3& p = points[order[k]];
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
}

// Splits order[0, count) in two across the longest side of the box and returns the size of the
// first part: at the middle of the side, unless that leaves fewer than an eighth of the points on
// one side; then at the median, ties broken by the point's index, so that every split is fixed
// by the points alone and the depth stays logarithmic.
int Split(const Vector3* points, int* order, int count, const Vector3& low, const Vector3& high) {
    const Vector3 extent = high - low;
    const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0
                     : extent.y >= extent.z                       ? 1
                                                                  : 2;
    const double middle = 0.5 * (Coordinate(low, axis) + Coordinate(high, axis));
    int* const end = order + count;
    int* const cut = std::stable_partition(
        order, end, [&](int i) { return Coordinate(points[i], axis) < middle; });
    const int firstCount = static_cast<int>(cut - order);
    const int smaller = std::min(firstCount, count - firstCount);
    if (smaller > 0 && smaller >= count / 8) return firstCount;
    const auto before = [&](int i, int j) {
        const double a = Coordinate(points[i], axis);
        const double b = Coordinate(points[j], axis);
        return a < b || (a == b && i < j);
    };
    std::sort(order, end, before);
    return count / 2;
}

}  // namespace

int CClusterTree::Build(const Vector3* points, int count, int leafSize) {
    nodes.clear();
    order.clear();
    if (points == nullptr || count <= 0 || leafSize < 1) {
        logFile.ReportError("CClusterTree", "Build", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    try {
        order.resize(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) order[static_cast<std::size_t>(k)] = k;
        nodes.reserve(static_cast<std::size_t>(2 * (count / leafSize) + 1));
        ClusterNode root;
        root.count = count;
        nodes.push_back(root);
        // Nodes are appended as they are split, so a parent always precedes its children.
        for (std::size_t index = 0; index < nodes.size(); ++index) {
            ClusterNode node = nodes[index];
            int* const part = order.data() + node.first;
            BoundingBox(points, part, node.count, node.low, node.high);
            if (node.count > leafSize) {
                const int firstCount = Split(points, part, node.count, node.low, node.high);
                ClusterNode left;
                left.first = node.first;
                left.count = firstCount;
                ClusterNode right;
                right.first = node.first + firstCount;
                right.count = node.count - firstCount;
                node.children[0] = static_cast<int>(nodes.size());
                node.children[1] = node.children[0] + 1;
                nodes.push_back(left);
                nodes.push_back(right);
            }
            nodes[index] = node;
        }
    } catch (const std::bad_alloc&) {
        nodes.clear();
        order.clear();
        logFile.ReportError("CClusterTree", "Build", Message::noMemory, nullptr);
        return Status::noMemory;
    }
    return Status::ok;
}

double CClusterTree::Diameter(const ClusterNode& node) { return Length(node.high - node.low); }

double CClusterTree::Distance(const ClusterNode& a, const ClusterNode& b) {
    const auto gap = [](double lowA, double highA, double lowB, double highB) {
        const double d = std::max(lowB - highA, lowA - highB);
        return d > 0.0 ? d : 0.0;
    };
    const double dx = gap(a.low.x, a.high.x, b.low.x, b.high.x);
    const double dy = gap(a.low.y, a.high.y, b.low.y, b.high.y);
    const double dz = gap(a.low.z, a.high.z, b.low.z, b.high.z);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}
