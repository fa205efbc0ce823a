// The element index check, and the completion of the surface from its symmetry planes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "surface/Surface.h"

int CSurface::CheckElements() {
    for (int j = 0; j < elementCount; ++j) {
        const SurfaceElement& element = elements[j];
        for (int k = 0; k < element.nodeCount; ++k) {
            if (static_cast<unsigned>(element.nodes[k]) >= static_cast<unsigned>(pointCount)) {
                logFile.ReportError(className, "CheckElements", Message::badPointReference, "");
                return Status::badPointReference;
            }
        }
    }
    return Status::ok;
}

void CSurface::ReverseNodes(SurfaceElement& element) {
    SurfaceIndex* n = element.nodes;
    if (element.nodeCount == 4) {
        std::swap(n[0], n[3]);
        std::swap(n[1], n[2]);
    } else if (element.nodeCount == 3) {
        std::swap(n[0], n[2]);
    }
}

double CSurface::PlaneDistance(Vector3 p, Vector3 q, Vector3 n) {
    return std::fabs(Dot(p - q, n)) / std::sqrt(Dot(n, n));
}

Vector3 CSurface::ReflectPoint(Vector3 p, Vector3 q, Vector3 n) {
    return p - n * (2.0 * Dot(p - q, n) / Dot(n, n));
}

Vector3 CSurface::ReflectVector(Vector3 v, Vector3 n) {
    return v - n * (2.0 * Dot(v, n) / Dot(n, n));
}

int CSurface::Reflect() {
    const char* const function = "Reflect";
    // Every plane doubles the elements; check the totals before any index can overflow.
    const int planes = symmetryPlaneCount;
    const long long factor = 1LL << std::min(planes, 20);
    if (elementCount > 0 && factor * elementCount > indexLimit) {
        logFile.ReportError(className, function, Message::invalidData,
                            "number of elements after reflection");
        return Status::invalidData;
    }
    // Room for every image, though never more than the index range can address.
    const int capacity = static_cast<int>(std::min<long long>(factor * pointCount, indexLimit));
    std::vector<SurfaceIndex> map;
    try {
        points.resize(std::max(capacity, pointCount));
        pointDirections.resize(points.size());
        elements.resize(static_cast<std::size_t>(factor * elementCount));
        sourcePointIndex.resize(points.size());
        map.resize(points.size());
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    totalElementCount = static_cast<int>(factor * elementCount);
    for (int i = 0; i < pointCount; ++i) sourcePointIndex[i] = static_cast<SurfaceIndex>(i);

    int p = pointCount;
    int e = elementCount;
    for (int k = 0; k < planes; ++k) {
        const Vector3 q = planePoints[k];
        const Vector3 n = planeNormals[k];
        const int p0 = p;
        for (int h = 0; h < p0; ++h) {
            if (PlaneDistance(points[h], q, n) > config.pointEps) {
                if (p >= indexLimit) {
                    logFile.ReportError(className, function, Message::invalidData,
                                        "number of points after reflection");
                    return Status::invalidData;
                }
                points[p] = ReflectPoint(points[h], q, n);
                pointDirections[p] = ReflectVector(pointDirections[h], n);
                sourcePointIndex[p] = sourcePointIndex[h];
                map[h] = static_cast<SurfaceIndex>(p);
                ++p;
            } else {
                map[h] = static_cast<SurfaceIndex>(h);
            }
        }
        for (int g = 0; g < e; ++g) {
            const SurfaceElement& source = elements[g];
            SurfaceElement& image = elements[e + g];
            image.nodeCount = source.nodeCount;
            image.nodes[3] = unusedNode;
            const int last = source.nodeCount - 1;
            for (int m = 0; m <= last; ++m) image.nodes[m] = map[source.nodes[last - m]];
        }
        e *= 2;
    }
    totalPointCount = p;
    return Status::ok;
}
