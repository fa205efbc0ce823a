// The matrix generator: it holds the geometry of a prepared surface with the per-element data
// derived from it, and the quadrature rules, and integrates rows of the matrices A and B of the
// boundary integral equation for any row points. It also runs the matrix commands -ms and -mm.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"
#include "fileio/ConfigData.h"
#include "generator/GaussTable.h"
#include "surface/Surface.h"
#include "surface/SurfaceElement.h"

class CGenerator {
public:
    explicit CGenerator(ConfigData configData);
    CGenerator(const CGenerator&) = delete;
    CGenerator& operator=(const CGenerator&) = delete;
    virtual ~CGenerator();

    // -ms freq surface.srf direction surface.mtx
    int GenerateSurfaceMatrices(double frequency, const char* surfaceFile, const char* direction,
                                const char* matrixFile);
    // -mm freq surface.srf direction points.ms points.mtx
    int GenerateMeasuringMatrices(double frequency, const char* surfaceFile, const char* direction,
                                  const char* pointsFile, const char* matrixFile);

    // ---- The generator in memory -------------------------------------------------------------
    // Copies the geometry of a prepared surface (its points with their directions, all elements
    // and the image-to-file point map) and computes the per-element data. The generator keeps no
    // reference to the surface. 0, or -4 (reported under "Init").
    int Init(const CSurface& surface);
    // Loads the quadrature rules from "Gauss.cfs" in the current directory (the commands of the
    // Kavoral program), or from the rules file given, and sets the orders of the near, middle and
    // far rules. 0, or the reader's failure (reported).
    int LoadRules();
    int LoadRules(const char* rulesFile);

    // The final rows of A and B for the row points first to first + count - 1 of rowPoints at
    // the angular frequency omega, into a and b: count rows of pointCount entries each, row by
    // row, memory owned by the caller. solidAngles, when given, holds one free term per row
    // point (the solid angle of surface point p for row p), subtracted from the real part of the
    // diagonal entry of A; null for measuring points. B is scaled by -j omega DENSITY. Needs Init
    // and LoadRules. Const and free of shared state: threads may compute disjoint row ranges
    // into disjoint memory at the same time.
    void ComputeMatrixRows(double omega, const Vector3* rowPoints, const double* solidAngles,
                           int first, int count, Complex* a, Complex* b) const;

    // A block of the final entries of ComputeMatrixRows: the rows rows[0 .. rowCount - 1] (indices
    // into rowPoints, and into solidAngles when it is given) and the columns columns[0 ..
    // columnCount - 1] (distinct file points, in any order), into a and b, rowCount x columnCount
    // row by row. Only the elements that touch one of the columns are integrated; every entry
    // equals, bit for bit, the one of the whole row. Const, like ComputeMatrixRows. 0, or -4
    // when the working memory is refused (reported).
    int ComputeMatrixBlock(double omega, const Vector3* rowPoints, const double* solidAngles,
                           const int* rows, int rowCount, const int* columns, int columnCount,
                           Complex* a, Complex* b) const;

    // k = omega / c, c the complex sound velocity of the configuration.
    Complex WaveNumber(double omega) const;
    // The raw integrals of one row (no free term, B unscaled) for row point x and wave number
    // k, into pointCount entries each of a and b.
    void ComputeRowInto(Vector3 x, Complex k, Complex* a, Complex* b) const;
    // The index of the rule for row point x and an element: near, middle or far order by the
    // distance from x to the element's node 0.
    int RuleIndex(Vector3 x, const SurfaceElement& element) const;
    // The same for the distance from the row point to node 0.
    int RuleOfDistance(double distance) const;

    // The direction flag of a direction text: 1 for "OUT", 0 for "IN". Any other text is reported
    // under the command's report name and gives -2.
    int DirectionFlag(const char* direction, const char* functionName) const;
    // 0 for a finite frequency; anything else (what the driver makes of a frequency text that is
    // no number) is reported and gives -2. The matrix commands check it after the direction.
    int CheckFrequency(double frequency) const;

    const char* className = "CGenerator";
    ConfigData config;
    CGaussTable gaussTable;
    // Columns of the matrices: the points of the surface file.
    int pointCount = 0;
    int totalElementCount = 0;
    // The surface geometry, copied by Init: all points (file points first, then the images),
    // their directions, all elements, and the file point of every point.
    std::vector<Vector3> points;
    std::vector<Vector3> pointDirections;
    std::vector<SurfaceElement> elements;
    std::vector<SurfaceIndex> sourcePointIndex;
    // Per-element geometry, read-only after Init.
    std::vector<Vector3> normalBase;
    std::vector<Vector3> normalSlopeA;
    std::vector<Vector3> normalSlopeB;
    std::vector<std::array<double, 4>> nodeFactors;
    std::vector<unsigned char> isParallelogram;
    // The same geometry laid out for the vector lanes of the integration: value v of element e
    // at v * laneStride + e, the values being the coordinates x, y, z of nodes 0 to 3 (node 0
    // again for a triangle's fourth), then of N0, N1 and N2 (zero where not defined); laneStride
    // is the element count rounded up to whole vectors. And the kind of every element:
    // triangle 0, parallelogram 1, general quadrilateral 2, or -1 for one that contributes
    // nothing.
    static constexpr int laneValues = 21;
    std::vector<double> laneGeometry;
    std::size_t laneStride = 0;
    std::vector<signed char> elementKind;
    // The elements that touch each column, in ascending order: those of column c at
    // columnElements[columnElementStart[c] .. columnElementStart[c + 1] - 1].
    std::vector<int> columnElementStart;
    std::vector<int> columnElements;

    // Elements are integrated a window at a time: within a window, elements of the same kind
    // that get the same rule share vectors, one element per lane; the window's integrals are
    // then added in element order, as one element after the other would add them.
    static constexpr int windowElements = 256;

private:
    // The integrals of count elements of one kind (triangle, parallelogram, general
    // quadrilateral) with one rule, seen from x; members are their indices within the window
    // that starts at element windowStart, and the integrals go to those positions.
    // A window's elements are windowStart, windowStart + 1, ... or, when list is given, the
    // ascending element indices list[0], list[1], ....
    void IntegrateBatch(Vector3 x, Complex k, int kind, int rule, int windowStart,
                        const int* list, const int* members, int count,
                        ElementIntegrals* integrals) const;
    // The integrals of the size elements of a window (at most windowElements) seen from x, into
    // integrals[i]; key[i] is negative for an element that contributes nothing.
    void IntegrateWindow(Vector3 x, Complex k, int windowStart, const int* list, int size,
                         int* key, ElementIntegrals* integrals) const;
    // Adds what node j of element e contributes to its entries of A and B (raw integrals).
    void AddNodeIntegrals(int e, int j, const ElementIntegrals& integrals, Complex* a,
                          Complex* b) const;
    void FillColumnElements();
    void MarkParallelograms();
    void ComputeElementNormals();
    void FillLaneGeometry();
    void ComputeNormalFactors();
    // Reads, prepares and takes over the surface of -ms and -mm.
    int InitFromFile(CSurface& surface, const char* surfaceFile, int direction);
    // Loads the rules and writes one row per row point to the matrix file.
    int WriteMatrices(double omega, const char* matrixFile, int rowCount, const Vector3* rowPoints,
                      const double* solidAngles);
};
