// Element adjacency across common edges, the closedness test, and the breadth-first walk that
// splits the surface into sub-boundaries and orients the elements of each consistently.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "surface/Surface.h"

int CSurface::CompareOrientation(const SurfaceElement& a, const SurfaceElement& b) {
    const int na = a.nodeCount;
    const int nb = b.nodeCount;
    for (int i = 0; i < na; ++i) {
        for (int j = 0; j < nb; ++j) {
            if (a.nodes[i] != b.nodes[j]) continue;
            const SurfaceIndex s = b.nodes[(j + 1) % nb];
            if (s == a.nodes[(i + 1) % na]) return -1;
            if (s == a.nodes[(i + na - 1) % na]) return 1;
        }
    }
    return 0;
}

namespace {

// One edge of one element, its two end points in ascending order.
struct EdgeEntry {
    std::uint64_t key;  // low end point * 2^32 + high end point
    SurfaceIndex element;
    bool operator<(const EdgeEntry& other) const {
        return key != other.key ? key < other.key : element < other.element;
    }
};

std::uint64_t EdgeKey(SurfaceIndex u, SurfaceIndex v) {
    if (u > v) std::swap(u, v);
    return static_cast<std::uint64_t>(u) << 32 | v;
}

}  // namespace

// Two elements are compared non-zero exactly when they have a common edge, taken without its
// direction. The elements sharing each edge are therefore found by sorting all edges by their end
// points, and an element's neighbours are the lowest-numbered elements over its edges: the same
// rows as comparing every pair of elements in index order.
int CSurface::BuildNeighbourMatrix() {
    const char* const function = "BuildNeighbourMatrix";
    const int count = totalElementCount;
    std::vector<EdgeEntry> edges;
    std::vector<SurfaceIndex> found;  // at most four edges of four kept neighbours each
    try {
        found.reserve(16);
        neighbours.assign(count, {unusedNode, unusedNode, unusedNode, unusedNode});
        edges.reserve(static_cast<std::size_t>(count) * 4);
    } catch (const std::bad_alloc&) {
        neighbours.clear();
        neighbours.shrink_to_fit();
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    for (int a = 0; a < count; ++a) {
        const SurfaceElement& element = elements[a];
        for (int i = 0; i < element.nodeCount; ++i) {
            const SurfaceIndex u = element.nodes[i];
            const SurfaceIndex v = element.nodes[(i + 1) % element.nodeCount];
            edges.push_back({EdgeKey(u, v), static_cast<SurfaceIndex>(a)});
        }
    }
    std::sort(edges.begin(), edges.end());

    for (int a = 0; a < count; ++a) {
        const SurfaceElement& element = elements[a];
        const int c = element.nodeCount;
        found.clear();
        for (int i = 0; i < c; ++i) {
            const EdgeEntry probe{EdgeKey(element.nodes[i], element.nodes[(i + 1) % c]), 0};
            auto it = std::lower_bound(edges.begin(), edges.end(), probe);
            // The group is sorted by element: its first c others are all that can be kept.
            int taken = 0;
            for (; it != edges.end() && it->key == probe.key && taken < c; ++it) {
                if (static_cast<int>(it->element) == a) continue;
                found.push_back(it->element);
                ++taken;
            }
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        if (static_cast<int>(found.size()) < c) {
            logFile.ReportError(className, function, Message::notClosed, "");
            return Status::notClosed;
        }
        for (int k = 0; k < c; ++k) neighbours[a][k] = found[k];
    }
    return Status::ok;
}

int CSurface::GetSubBoundaries() {
    const int turned = OrderElements();
    if (turned < 0) return turned;
    const int status = OrderPoints();
    return status < 0 ? status : turned;
}

bool CSurface::AddStart(std::vector<SurfaceIndex>& starts, int position, const char* function) {
    try {
        starts.push_back(static_cast<SurfaceIndex>(position));
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return false;
    }
    return true;
}

int CSurface::OrderElements() {
    const char* const function = "GetSubBoundaries";
    const int count = totalElementCount;
    std::vector<unsigned char> marks;
    try {
        elementOrder.assign(count, 0);
        marks.assign(count, 0);
        elementStarts.clear();
        pointStarts.clear();
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }

    subBoundaryCount = 0;
    int fill = 0;
    int turned = 0;
    int lowestUnmarked = 0;
    for (int i = 0; i < count; ++i) {
        if (i == fill) {
            if (!AddStart(elementStarts, i, function)) return Status::noMemory;
            ++subBoundaryCount;
            while (marks[lowestUnmarked] != 0) ++lowestUnmarked;
            marks[lowestUnmarked] = 1;
            elementOrder[fill++] = static_cast<SurfaceIndex>(lowestUnmarked);
        }
        const int b = elementOrder[i];
        for (int k = 0; k < elements[b].nodeCount; ++k) {
            const int c = neighbours[b][k];
            if (marks[c] == 0) {
                marks[c] = 1;
                elementOrder[fill++] = static_cast<SurfaceIndex>(c);
                if (CompareOrientation(elements[b], elements[c]) == -1) {
                    ReverseNodes(elements[c]);
                    ++turned;
                }
            } else if (CompareOrientation(elements[b], elements[c]) == -1) {
                logFile.ReportError(className, function, Message::notRectifiable, "");
                return Status::notRectifiable;
            }
        }
    }
    if (!AddStart(elementStarts, count, function)) return Status::noMemory;
    return turned;
}

int CSurface::OrderPoints() {
    const char* const function = "GetSubBoundaries";
    std::vector<unsigned char> marks;
    try {
        pointOrder.assign(totalPointCount, 0);
        marks.assign(totalPointCount, 0);
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    int m = 0;
    for (int s = 0; s < subBoundaryCount; ++s) {
        if (!AddStart(pointStarts, m, function)) return Status::noMemory;
        for (int position = static_cast<int>(elementStarts[s]);
             position < static_cast<int>(elementStarts[s + 1]); ++position) {
            const SurfaceElement& element = elements[elementOrder[position]];
            for (int k = 0; k < element.nodeCount; ++k) {
                const int point = element.nodes[k];
                if (marks[point] != 0) continue;
                marks[point] = 1;
                pointOrder[m++] = static_cast<SurfaceIndex>(point);
            }
        }
    }
    if (!AddStart(pointStarts, m, function)) return Status::noMemory;
    if (m != totalPointCount) {
        logFile.ReportError(className, function, Message::singlePoints, "");
        return Status::singlePoints;
    }
    return Status::ok;
}
