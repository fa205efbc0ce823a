// The per-element geometry of the generator, computed once per command, and the assembly of one
// row of A and B from the element integrals of the quadrature table.

#include <cmath>

#include "generator/Generator.h"

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

int CGenerator::RuleIndex(Vector3 x, const SurfaceElement& element) const {
    const double distance = Length(x - points[element.nodes[0]]);
    if (distance < config.division[0]) return config.quadratureOrder[quadratureNear];
    if (distance < config.division[1]) return config.quadratureOrder[quadratureMiddle];
    return config.quadratureOrder[quadratureFar];
}

namespace {

// Elements are integrated a window at a time: within a window, elements of the same kind that
// get the same rule share vectors, one element per lane; the window's integrals are then added
// to the row in element order, as one element after the other would add them.
constexpr int windowElements = 256;
enum ElementKind { triangle, parallelogram, quadrilateral, kindCount };
constexpr int keyCount = kindCount * CGaussTable::ruleCount;

}  // namespace

void CGenerator::ComputeRowInto(Vector3 x, Complex k, Complex* a, Complex* b) const {
    for (int c = 0; c < pointCount; ++c) a[c] = Complex{0.0, 0.0};
    for (int c = 0; c < pointCount; ++c) b[c] = Complex{0.0, 0.0};
    int key[windowElements];
    int order[windowElements];
    ElementIntegrals integrals[windowElements];
    for (int windowStart = 0; windowStart < totalElementCount; windowStart += windowElements) {
        const int size = totalElementCount - windowStart < windowElements
                             ? totalElementCount - windowStart
                             : windowElements;
        // Kind and rule of every element (-1: an element of no kind contributes nothing), and
        // the elements sorted by them, stably.
        int start[keyCount + 1] = {};
        for (int i = 0; i < size; ++i) {
            const SurfaceElement& element = elements[windowStart + i];
            key[i] = -1;
            if (element.nodeCount != 3 && element.nodeCount != 4) continue;
            const int kind = element.nodeCount == 3                  ? triangle
                             : isParallelogram[windowStart + i] != 0 ? parallelogram
                                                                     : quadrilateral;
            key[i] = kind * CGaussTable::ruleCount + RuleIndex(x, element);
            ++start[key[i] + 1];
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
            IntegrateBatch(x, k, batchKey / CGaussTable::ruleCount,
                           batchKey % CGaussTable::ruleCount, windowStart, order + first, count,
                           integrals);
            first += count;
        }
        for (int i = 0; i < size; ++i) {
            if (key[i] < 0) continue;
            const int e = windowStart + i;
            const SurfaceElement& element = elements[e];
            for (int j = 0; j < element.nodeCount; ++j) {
                const int c = sourcePointIndex[element.nodes[j]];
                a[c] += integrals[i].h[j];
                const double f = nodeFactors[e][j];
                b[c] += Complex{f * integrals[i].g[j].re, f * integrals[i].g[j].im};
            }
        }
    }
}

void CGenerator::IntegrateBatch(Vector3 x, Complex k, int kind, int rule, int windowStart,
                                const int* members, int count, ElementIntegrals* integrals) const {
    const int nodes = kind == triangle ? 3 : 4;
    const int vectors = kind == quadrilateral ? 21 : 3 * nodes + 3;
    // Gathered lane by lane into plain memory, then loaded a vector at a time: the node
    // coordinates, N0, and for general quadrilaterals N1 and N2.
    double gathered[21][doublesLanes];
    const Vector3* point = points.data();
    for (int lane = 0; lane < doublesLanes; ++lane) {
        // Lanes past the batch repeat its first element.
        const int e = windowStart + members[lane < count ? lane : 0];
        const SurfaceElement& element = elements[e];
        int v = 0;
        for (int j = 0; j < nodes; ++j) {
            const Vector3 p = point[element.nodes[j]];
            gathered[v++][lane] = p.x;
            gathered[v++][lane] = p.y;
            gathered[v++][lane] = p.z;
        }
        const Vector3 normals[3] = {normalBase[e],
                                    kind == quadrilateral ? normalSlopeA[e] : Vector3{},
                                    kind == quadrilateral ? normalSlopeB[e] : Vector3{}};
        for (int n = 0; v < vectors; ++n) {
            gathered[v++][lane] = normals[n].x;
            gathered[v++][lane] = normals[n].y;
            gathered[v++][lane] = normals[n].z;
        }
    }
    ElementLanes lanes;
    int v = 0;
    for (int j = 0; j < nodes; ++j) {
        for (int axis = 0; axis < 3; ++axis) lanes.p[j][axis] = LoadDoubles(gathered[v++]);
    }
    Doubles* normalLanes[3] = {lanes.n0, lanes.n1, lanes.n2};
    for (int n = 0; v < vectors; ++n) {
        for (int axis = 0; axis < 3; ++axis) normalLanes[n][axis] = LoadDoubles(gathered[v++]);
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
