// The per-element geometry of the generator, computed once per command, and the assembly of one
// row of A and B from the element integrals of the quadrature table.

#include <cmath>
#include <cstring>

#include "generator/Generator.h"

#include "base/VectorMath.h"

namespace {

enum ElementKind { triangle, parallelogram, quadrilateral, kindCount };
constexpr int keyCount = kindCount * CGaussTable::ruleCount;

typedef double Pair __attribute__((vector_size(16)));

inline Pair LoadPair(const Complex* c) {
    Pair p;
    std::memcpy(&p, c, sizeof p);
    return p;
}

inline void StorePair(Complex* c, Pair p) { std::memcpy(c, &p, sizeof p); }

}  // namespace

void CGenerator::AddNodeIntegrals(int e, int j, const ElementIntegrals& integrals, Complex* a,
                                  Complex* b) const {
    // Real and imaginary parts side by side in one pair of lanes, each lane the scalar operation.
    StorePair(a, LoadPair(a) + LoadPair(integrals.h + j));
    const double f = nodeFactors[e][j];
    StorePair(b, LoadPair(b) + Pair{f, f} * LoadPair(integrals.g + j));
}

void CGenerator::MarkParallelograms() {
    for (int e = 0; e < totalElementCount; ++e) {
        isParallelogram[e] = 0;
        const SurfaceElement& element = elements[e];
        if (element.nodeCount != 4) continue;
        const Vector3 p0 = points[element.nodes[0]];
        const Vector3 p1 = points[element.nodes[1]];
        const Vector3 p2 = points[element.nodes[2]];
        const Vector3 p3 = points[element.nodes[3]];
        // P1 + P3 - 2 P0 and P2 - P0 are the same vector for a parallelogram; only their lengths
        // are compared.
        const double s = Length(p1 + p3 - 2.0 * p0);
        const double t = Length(p2 - p0);
        if (std::fabs(s - t) / s < config.paraEps) isParallelogram[e] = 1;
    }
}

void CGenerator::ComputeElementNormals() {
    for (int e = 0; e < totalElementCount; ++e) {
        const SurfaceElement& element = elements[e];
        if (element.nodeCount != 3 && element.nodeCount != 4) {
            normalBase[e] = Vector3{0.0, 0.0, 0.0};
            continue;
        }
        const Vector3 p0 = points[element.nodes[0]];
        const Vector3 p1 = points[element.nodes[1]];
        const Vector3 p2 = points[element.nodes[2]];
        normalBase[e] = Cross(p2 - p1, p0 - p1);
        if (element.nodeCount != 4) continue;
        const Vector3 p3 = points[element.nodes[3]];
        const Vector3 d = p1 - p0 + p3 - p2;
        normalSlopeA[e] = Cross(p2 - p1, d);
        normalSlopeB[e] = Cross(d, p0 - p1);
    }
}

void CGenerator::ComputeNormalFactors() {
    for (int e = 0; e < totalElementCount; ++e) {
        const SurfaceElement& element = elements[e];
        if (element.nodeCount != 3 && element.nodeCount != 4) continue;
        const Vector3 n0 = normalBase[e];
        Vector3 nodeNormals[4] = {n0, n0, n0, n0};
        if (element.nodeCount == 4 && isParallelogram[e] == 0) {
            // The Jacobian vector of the bilinear map at nodes 0 to 3.
            nodeNormals[0] = n0 + normalSlopeB[e];
            nodeNormals[2] = n0 + normalSlopeA[e];
            nodeNormals[3] = n0 + normalSlopeA[e] + normalSlopeB[e];
        }
        for (int j = 0; j < element.nodeCount; ++j) {
            const Vector3 q = pointDirections[element.nodes[j]];
            const Vector3 n = nodeNormals[j];
            if (q.x == 0.0 && q.y == 0.0 && q.z == 0.0) {
                nodeFactors[e][j] = 1.0;
            } else {
                nodeFactors[e][j] = Dot(q, n) / Length(n);
            }
        }
    }
}

void CGenerator::FillLaneGeometry() {
    for (int e = 0; e < totalElementCount; ++e) {
        const SurfaceElement& element = elements[e];
        if (element.nodeCount != 3 && element.nodeCount != 4) continue;
        elementKind[e] = static_cast<signed char>(element.nodeCount == 3    ? triangle
                                                  : isParallelogram[e] != 0 ? parallelogram
                                                                            : quadrilateral);
        Vector3 values[7];
        for (int j = 0; j < 4; ++j)
            values[j] = points[element.nodes[j < element.nodeCount ? j : 0]];
        values[4] = normalBase[e];
        values[5] = element.nodeCount == 4 ? normalSlopeA[e] : Vector3{0.0, 0.0, 0.0};
        values[6] = element.nodeCount == 4 ? normalSlopeB[e] : Vector3{0.0, 0.0, 0.0};
        for (int v = 0; v < 7; ++v) {
            laneGeometry[(3 * v) * laneStride + e] = values[v].x;
            laneGeometry[(3 * v + 1) * laneStride + e] = values[v].y;
            laneGeometry[(3 * v + 2) * laneStride + e] = values[v].z;
        }
    }
}

int CGenerator::RuleIndex(Vector3 x, const SurfaceElement& element) const {
    return RuleOfDistance(Length(x - points[element.nodes[0]]));
}

int CGenerator::RuleOfDistance(double distance) const {
    if (distance < config.division[0]) return config.quadratureOrder[quadratureNear];
    if (distance < config.division[1]) return config.quadratureOrder[quadratureMiddle];
    return config.quadratureOrder[quadratureFar];
}

void CGenerator::IntegrateWindow(Vector3 x, Complex k, int windowStart, const int* list,
                                 int size, int* key, ElementIntegrals* integrals) const {
    const auto elementAt = [&](int i) {
        return static_cast<std::size_t>(list != nullptr ? list[i] : windowStart + i);
    };
    // Kind and rule of every element (-1: an element of no kind contributes nothing), the
    // distances to node 0 a vector at a time, and the elements sorted by them, stably.
    int start[keyCount + 1] = {};
    int order[windowElements];
    for (int i = 0; i < size; i += doublesLanes) {
        const int lanes = size - i < doublesLanes ? size - i : doublesLanes;
        Doubles nodeX;
        Doubles nodeY;
        Doubles nodeZ;
        if (list == nullptr) {
            const std::size_t e = elementAt(i);
            nodeX = LoadDoubles(laneGeometry.data() + e);
            nodeY = LoadDoubles(laneGeometry.data() + laneStride + e);
            nodeZ = LoadDoubles(laneGeometry.data() + 2 * laneStride + e);
        } else {
            for (int lane = 0; lane < doublesLanes; ++lane) {
                const std::size_t e = elementAt(i + (lane < lanes ? lane : 0));
                nodeX[lane] = laneGeometry[e];
                nodeY[lane] = laneGeometry[laneStride + e];
                nodeZ[lane] = laneGeometry[2 * laneStride + e];
            }
        }
        const Doubles dx = Broadcast(x.x) - nodeX;
        const Doubles dy = Broadcast(x.y) - nodeY;
        const Doubles dz = Broadcast(x.z) - nodeZ;
        const Doubles distance = SqrtLanes((dx * dx + dy * dy) + dz * dz);
        for (int lane = 0; lane < lanes; ++lane) {
            const int kind = elementKind[elementAt(i + lane)];
            key[i + lane] = -1;
            if (kind < 0) continue;
            key[i + lane] = kind * CGaussTable::ruleCount + RuleOfDistance(distance[lane]);
            ++start[key[i + lane] + 1];
        }
    }
    for (int n = 0; n < keyCount; ++n) start[n + 1] += start[n];
    const int sorted = start[keyCount];
    for (int i = 0; i < size; ++i) {
        if (key[i] >= 0) order[start[key[i]]++] = i;
    }
    // Batches of up to doublesLanes elements with the same key.
    for (int first = 0; first < sorted;) {
        const int batchKey = key[order[first]];
        int count = 1;
        while (count < doublesLanes && first + count < sorted &&
               key[order[first + count]] == batchKey)
            ++count;
        IntegrateBatch(x, k, batchKey / CGaussTable::ruleCount, batchKey % CGaussTable::ruleCount,
                       windowStart, list, order + first, count, integrals);
        first += count;
    }
}

void CGenerator::ComputeRowInto(Vector3 x, Complex k, Complex* a, Complex* b) const {
    // All bits zero is +0.0 in both parts.
    const std::size_t rowBytes =
        static_cast<std::size_t>(pointCount > 0 ? pointCount : 0) * sizeof(Complex);
    std::memset(static_cast<void*>(a), 0, rowBytes);
    std::memset(static_cast<void*>(b), 0, rowBytes);
    int key[windowElements];
    ElementIntegrals integrals[windowElements];
    for (int windowStart = 0; windowStart < totalElementCount; windowStart += windowElements) {
        const int size = totalElementCount - windowStart < windowElements
                             ? totalElementCount - windowStart
                             : windowElements;
        IntegrateWindow(x, k, windowStart, nullptr, size, key, integrals);
        for (int i = 0; i < size; ++i) {
            if (key[i] < 0) continue;
            const int e = windowStart + i;
            const SurfaceElement& element = elements[e];
            for (int j = 0; j < element.nodeCount; ++j)
                AddNodeIntegrals(e, j, integrals[i], a + sourcePointIndex[element.nodes[j]],
                                 b + sourcePointIndex[element.nodes[j]]);
        }
    }
}

void CGenerator::IntegrateBatch(Vector3 x, Complex k, int kind, int rule, int windowStart,
                                const int* list, const int* members, int count,
                                ElementIntegrals* integrals) const {
    const int nodes = kind == triangle ? 3 : 4;
    // Lanes past the batch repeat its first element. Consecutive elements are loaded a vector
    // at a time, others gathered lane by lane. A list ascends strictly, so its elements are
    // consecutive when the first and the last are count - 1 apart.
    const auto elementAt = [&](int i) {
        return static_cast<std::size_t>(list != nullptr ? list[i] : windowStart + i);
    };
    const std::size_t first = elementAt(members[0]);
    const bool consecutive =
        count == doublesLanes && elementAt(members[count - 1]) - first == std::size_t(count - 1);
    std::size_t element[doublesLanes];
    for (int lane = 0; lane < doublesLanes; ++lane)
        element[lane] = elementAt(members[lane < count ? lane : 0]);
    const auto load = [&](int value) {
        const double* row = laneGeometry.data() + static_cast<std::size_t>(value) * laneStride;
        if (consecutive) return LoadDoubles(row + first);
        Doubles v;
        for (int lane = 0; lane < doublesLanes; ++lane) v[lane] = row[element[lane]];
        return v;
    };
    ElementLanes lanes;
    for (int j = 0; j < nodes; ++j) {
        for (int axis = 0; axis < 3; ++axis) lanes.p[j][axis] = load(3 * j + axis);
    }
    for (int axis = 0; axis < 3; ++axis) lanes.n0[axis] = load(12 + axis);
    if (kind == quadrilateral) {
        for (int axis = 0; axis < 3; ++axis) {
            lanes.n1[axis] = load(15 + axis);
            lanes.n2[axis] = load(18 + axis);
        }
    }
    IntegralLanes sums;
    if (kind == triangle) {
        gaussTable.IntegrateTriangles(lanes, x, k, rule, sums);
    } else if (kind == parallelogram) {
        gaussTable.IntegrateParallelograms(lanes, x, k, rule, sums);
    } else {
        gaussTable.IntegrateQuadrilaterals(lanes, x, k, rule, sums);
    }
    for (int lane = 0; lane < count; ++lane) {
        ElementIntegrals& target = integrals[members[lane]];
        for (int j = 0; j < nodes; ++j) {
            target.g[j] = Complex{sums.gRe[j][lane], sums.gIm[j][lane]};
            target.h[j] = Complex{sums.hRe[j][lane], sums.hIm[j][lane]};
        }
    }
}
