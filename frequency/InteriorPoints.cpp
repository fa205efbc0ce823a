#include "frequency/InteriorPoints.h"

#include <algorithm>
#include <cmath>

#include "base/Constants.h"

namespace interior {

namespace {

// The signed solid angle of the triangle a b c seen from the origin.
double TriangleSolidAngle(Vector3 a, Vector3 b, Vector3 c) {
    const double la = Length(a), lb = Length(b), lc = Length(c);
    const double numerator = Dot(a, Cross(b, c));
    const double denominator = la * lb * lc + Dot(a, b) * lc + Dot(a, c) * lb + Dot(b, c) * la;
    return 2.0 * std::atan2(numerator, denominator);
}

// The distance from p to the triangle a b c (closest point by regions of the triangle).
double TriangleDistance(Vector3 p, Vector3 a, Vector3 b, Vector3 c) {
    const Vector3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return Length(ap);
    const Vector3 bp = p - b;
    const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return Length(bp);
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) return Length(ap - ab * (d1 / (d1 - d3)));
    const Vector3 cp = p - c;
    const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return Length(cp);
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) return Length(ap - ac * (d2 / (d2 - d6)));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0) {
        return Length(bp - (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
    }
    const double scale = 1.0 / (va + vb + vc);
    return Length(ap - ab * (vb * scale) - ac * (vc * scale));
}

template <typename Visit>
void ForEachTriangle(const SurfaceGeometry& surface, Visit visit) {
    for (int e = 0; e < surface.elementCount; ++e) {
        const SurfaceElement& element = surface.elements[e];
        const Vector3 p0 = surface.points[element.nodes[0]];
        const Vector3 p2 = surface.points[element.nodes[2]];
        visit(p0, surface.points[element.nodes[1]], p2);
        if (element.nodeCount == 4) visit(p0, p2, surface.points[element.nodes[3]]);
    }
}

double RadicalInverse(int i, int base) {
    double result = 0.0;
    double scale = 1.0 / base;
    for (int n = i; n > 0; n /= base) {
        result += scale * (n % base);
        scale /= base;
    }
    return result;
}

}  // namespace

double SolidAngle(const SurfaceGeometry& surface, Vector3 x) {
    double sum = 0.0;
    ForEachTriangle(surface, [&](Vector3 a, Vector3 b, Vector3 c) {
        sum += TriangleSolidAngle(a - x, b - x, c - x);
    });
    return sum;
}

double Distance(const SurfaceGeometry& surface, Vector3 x) {
    double nearest = HUGE_VAL;
    ForEachTriangle(surface, [&](Vector3 a, Vector3 b, Vector3 c) {
        nearest = std::min(nearest, TriangleDistance(x, a, b, c));
    });
    return nearest;
}

double LongestEdge(const SurfaceGeometry& surface) {
    double longest = 0.0;
    for (int e = 0; e < surface.elementCount; ++e) {
        const SurfaceElement& element = surface.elements[e];
        const int n = element.nodeCount;
        for (int j = 0; j < n; ++j) {
            const Vector3 a = surface.points[element.nodes[j]];
            longest = std::max(longest, Length(surface.points[element.nodes[(j + 1) % n]] - a));
        }
        if (n == 4) {
            longest = std::max(longest, Length(surface.points[element.nodes[2]] -
                                               surface.points[element.nodes[0]]));
            longest = std::max(longest, Length(surface.points[element.nodes[3]] -
                                               surface.points[element.nodes[1]]));
        }
    }
    return longest;
}

void BoundingBox(const SurfaceGeometry& surface, Vector3& low, Vector3& high) {
    low = surface.points[surface.elements[0].nodes[0]];
    high = low;
    for (int e = 0; e < surface.elementCount; ++e) {
        const SurfaceElement& element = surface.elements[e];
        for (int j = 0; j < element.nodeCount; ++j) {
            const Vector3 p = surface.points[element.nodes[j]];
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    }
}

Vector3 HaltonPoint(int i, Vector3 low, Vector3 high) {
    // Index 0 of the sequence is the corner of the box: start at 1.
    const int k = i + 1;
    return {low.x + (high.x - low.x) * RadicalInverse(k, 2),
            low.y + (high.y - low.y) * RadicalInverse(k, 3),
            low.z + (high.z - low.z) * RadicalInverse(k, 5)};
}

int Choose(const SurfaceGeometry& surface, int checkCount, int chiefCount, int poolCount,
           InteriorPoints& found) {
    found = InteriorPoints{};
    if (surface.elementCount == 0) return 0;
    Vector3 low, high;
    BoundingBox(surface, low, high);
    std::vector<Vector3> inside;
    std::vector<double> depth;
    int scanned = 0;
    const auto scan = [&](int end) {
        for (; scanned < end; ++scanned) {
            const Vector3 x = HaltonPoint(scanned, low, high);
            if (std::fabs(SolidAngle(surface, x)) <= 2.0 * pi) continue;
            inside.push_back(x);
            depth.push_back(Distance(surface, x));
        }
    };
    scan(candidateCount);
    for (double d : depth) found.largestDepth = std::max(found.largestDepth, d);
    const double longestEdge = LongestEdge(surface);
    found.depthLimit = std::max(0.5 * found.largestDepth, longestEdge);
    std::vector<bool> taken(inside.size(), false);
    int count = 0;
    for (std::size_t i = 0; i < inside.size() && count < checkCount + chiefCount; ++i) {
        if (depth[i] < found.depthLimit) continue;
        if (count < checkCount) {
            found.check.push_back(inside[i]);
        } else {
            found.chief.push_back(inside[i]);
        }
        taken[i] = true;
        ++count;
    }
    // The pool beyond: spread over the interior, from a longer stretch of the sequence where the
    // first is used up.
    const double spreadLimit = spreadDepth * longestEdge;
    const bool checked = static_cast<int>(found.check.size()) == checkCount;
    for (std::size_t i = 0; checked && count < checkCount + poolCount; ++i) {
        if (i == inside.size()) {
            if (scanned >= spreadCandidateCount) break;
            scan(spreadCandidateCount);
            taken.resize(inside.size(), false);
            if (i == inside.size()) break;
        }
        if (taken[i] || depth[i] < spreadLimit) continue;
        found.chief.push_back(inside[i]);
        ++count;
    }
    return count;
}

}  // namespace interior
