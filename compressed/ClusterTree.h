// A cluster tree over a set of points: the root holds every point, and every cluster with more
// points than the leaf size is split in two across the longest side of its bounding box. The
// points of a cluster are consecutive in the tree's order, so a cluster is a range of positions.
#pragma once

#include <vector>

#include "base/Vector3.h"

struct ClusterNode {
    int first = 0;  // position of the cluster's first point in the tree's order
    int count = 0;
    int children[2] = {-1, -1};  // node indices; -1 for a leaf
    Vector3 low{0.0, 0.0, 0.0};  // the bounding box of the cluster's points
    Vector3 high{0.0, 0.0, 0.0};

    bool IsLeaf() const { return children[0] < 0; }
};

class CClusterTree {
public:
    // Builds the tree of `count` points (leafSize >= 1): 0; -1 for bad arguments, -4 when the
    // memory is not there, each after its report. The points are copied where needed, not kept.
    int Build(const Vector3* points, int count, int leafSize);

    int PointCount() const { return static_cast<int>(order.size()); }
    // Node 0 is the root; a parent precedes its children.
    const std::vector<ClusterNode>& Nodes() const { return nodes; }
    // order[k]: the caller's index of the point at position k.
    const std::vector<int>& Order() const { return order; }

    // The diagonal of a cluster's bounding box, and the distance between two boxes (0 when they
    // touch or overlap).
    static double Diameter(const ClusterNode& node);
    static double Distance(const ClusterNode& a, const ClusterNode& b);

private:
    std::vector<ClusterNode> nodes;
    std::vector<int> order;
};
