// The solid angle at every surface point on the side the element normals face, from the fan of
// element corners around the point.
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "surface/Surface.h"

double CSurface::EdgeAngle(Vector3 e, Vector3 a, Vector3 b) {
    const double d = Dot(a, b);
    if (std::fabs(d) > 1.0) return pi;
    const double t = std::acos(d);
    if (Dot(Cross(a, b), e) < 0.0) return pi + t;
    return pi - t;
}

namespace {

// The corner of one element at point p: a follows p in the node order, b precedes it.
struct Corner {
    SurfaceIndex p;
    SurfaceIndex a;
    SurfaceIndex b;
};

Corner CornerAt(const SurfaceElement& element, int position) {
    const int n = element.nodeCount;
    return {element.nodes[position], element.nodes[(position + 1) % n],
            element.nodes[(position + n - 1) % n]};
}

Vector3 UnitNormal(const std::vector<Vector3>& points, const Corner& corner) {
    const Vector3 p = points[corner.p];
    const Vector3 n = Cross(points[corner.a] - p, points[corner.b] - p);
    const double length = Length(n);
    return {n.x / length, n.y / length, n.z / length};
}

// Chains the corners at every point of every sub-boundary into a closed fan and sums its edge
// angles. The corner lists grow with the number of elements at a point.
int AnglesFromFans(CSurface& surface, const std::vector<int>& incidenceStarts,
                   const std::vector<SurfaceIndex>& incidence) {
    const std::vector<Vector3>& points = surface.points;
    const std::vector<SurfaceElement>& elements = surface.elements;
    const std::vector<SurfaceIndex>& elementOrder = surface.elementOrder;
    const std::vector<SurfaceIndex>& elementStarts = surface.elementStarts;
    const std::vector<SurfaceIndex>& pointOrder = surface.pointOrder;
    const std::vector<SurfaceIndex>& pointStarts = surface.pointStarts;
    const auto notClosed = [&]() {
        logFile.ReportError(surface.className, "CalculateAngles", Message::notClosed, "");
        return Status::notClosed;
    };
    std::vector<Corner> corners;
    std::vector<Vector3> normals;
    for (int s = 0; s < surface.subBoundaryCount; ++s) {
        const int firstElement = elementStarts[s];
        const int endElement = elementStarts[s + 1];
        for (int position = static_cast<int>(pointStarts[s]);
             position < static_cast<int>(pointStarts[s + 1]); ++position) {
            const int point = pointOrder[position];
            corners.clear();
            for (int at = incidenceStarts[point]; at < incidenceStarts[point + 1]; ++at) {
                const int elementPosition = incidence[at];
                if (elementPosition < firstElement || elementPosition >= endElement) continue;
                const SurfaceElement& element = elements[elementOrder[elementPosition]];
                int k = 0;
                while (static_cast<int>(element.nodes[k]) != point) ++k;
                corners.push_back(CornerAt(element, k));
            }
            const int j = static_cast<int>(corners.size());
            // Chain the corners so that each shares an edge from the point with the next.
            for (int k = 2; k <= j; ++k) {
                if (corners[k - 2].b == corners[k - 1].a) continue;
                int i = k;
                while (i < j && corners[i].a != corners[k - 2].b) ++i;
                if (i == j) return notClosed();
                std::swap(corners[k - 1], corners[i]);
            }
            if (j == 0 || corners[j - 1].b != corners[0].a) return notClosed();

            normals.resize(j);
            for (int k = 0; k < j; ++k) normals[k] = UnitNormal(points, corners[k]);
            double angle = (2 - j) * pi;
            const Vector3 p = points[point];
            for (int k = 0; k < j; ++k) {
                angle +=
                    CSurface::EdgeAngle(points[corners[k].b] - p, normals[k], normals[(k + 1) % j]);
            }
            surface.solidAngles[point] = angle;
        }
    }
    return Status::ok;
}

}  // namespace

// The elements at each point are taken from an incidence list built in the order of
// elementOrder, so that the corners of a point come in the same order as a scan of its
// sub-boundary's elements would give them.
int CSurface::CalculateAngles() {
    const char* const function = "CalculateAngles";
    const int pointTotal = totalPointCount;
    std::vector<int> incidenceStarts;
    std::vector<SurfaceIndex> incidence;  // positions in elementOrder
    try {
        solidAngles.assign(pointTotal, 0.0);
        incidenceStarts.assign(pointTotal + 1, 0);
        // Each element is counted once at each of its points, at the first position of it.
        const auto eachFirstNode = [&](auto visit) {
            for (int position = 0; position < totalElementCount; ++position) {
                const SurfaceElement& element = elements[elementOrder[position]];
                for (int k = 0; k < element.nodeCount; ++k) {
                    bool first = true;
                    for (int m = 0; m < k; ++m) {
                        if (element.nodes[m] == element.nodes[k]) first = false;
                    }
                    if (first) visit(element.nodes[k], position);
                }
            }
        };
        eachFirstNode([&](int point, int) { ++incidenceStarts[point + 1]; });
        for (int i = 0; i < pointTotal; ++i) incidenceStarts[i + 1] += incidenceStarts[i];
        incidence.resize(incidenceStarts[pointTotal]);
        std::vector<int> next(incidenceStarts.begin(), incidenceStarts.end() - 1);
        eachFirstNode([&](int point, int position) {
            incidence[next[point]++] = static_cast<SurfaceIndex>(position);
        });
        return AnglesFromFans(*this, incidenceStarts, incidence);
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
}
