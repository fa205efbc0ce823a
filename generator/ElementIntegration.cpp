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

void CGenerator::ComputeRowInto(Vector3 x, Complex k, Complex* a, Complex* b) const {
    for (int c = 0; c < pointCount; ++c) a[c] = b[c] = Complex{0.0, 0.0};
    for (int e = 0; e < totalElementCount; ++e) {
        const SurfaceElement& element = elements[e];
        const int nodeCount = element.nodeCount;
        if (nodeCount != 3 && nodeCount != 4) continue;
        const int rule = RuleIndex(x, element);
        Vector3 p[4];
        for (int j = 0; j < nodeCount; ++j) p[j] = points[element.nodes[j]];
        Complex g[4];
        Complex h[4];
        if (nodeCount == 3) {
            gaussTable.IntegrateTriangle(p, x, k, normalBase[e], rule, g, h);
        } else if (isParallelogram[e] != 0) {
            gaussTable.IntegrateParallelogram(p, x, k, normalBase[e], rule, g, h);
        } else {
            gaussTable.IntegrateQuadrilateral(p, x, k, normalBase[e], normalSlopeA[e],
                                              normalSlopeB[e], rule, g, h);
        }
        for (int j = 0; j < nodeCount; ++j) {
            const int c = sourcePointIndex[element.nodes[j]];
            a[c] += h[j];
            const double f = nodeFactors[e][j];
            b[c] += Complex{f * g[j].re, f * g[j].im};
        }
    }
}
