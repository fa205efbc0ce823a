// The command object of the surface commands: the surface check (-ch), the surface matrices (-ms)
// and the measuring-point matrices (-mm). It borrows the arrays of the prepared surface, holds the
// per-element geometry and the quadrature rules, and integrates one row of A and B at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Complex.h"
#include "fileio/ConfigData.h"
#include "generator/GaussTable.h"
#include "surface/SurfaceElement.h"
#include "surface/Surface.h"
#include "base/Vector3.h"

class CGenerator {
public:
    explicit CGenerator(ConfigData configData);
    CGenerator(const CGenerator&) = delete;
    CGenerator& operator=(const CGenerator&) = delete;
    virtual ~CGenerator();

    int GenerateSurfaceMatrices(double frequency, const char* surfaceFile, const char* direction,
                                const char* matrixFile);
    int GenerateMeasuringMatrices(double frequency, const char* surfaceFile, const char* direction,
                                  const char* pointsFile, const char* matrixFile);
    int CheckSurface(const char* inputFile, const char* direction, const char* outputFile);

    // Sizes and fills the per-element arrays from the views taken over from a prepared surface.
    int Init();
    void SetQuadratureOrders();
    // Integrates the row of A and B of row point x into rowA and rowB; always 0.
    int ComputeRow(Vector3 x);
    // The same row into any two buffers of pointCount entries. It reads only the element arrays
    // and the rules, so rows may be computed side by side into separate buffers.
    void ComputeRowInto(Vector3 x, Complex* a, Complex* b) const;
    // The index of the rule for row point x and an element: near, middle or far order by the
    // distance from x to the element's node 0.
    int RuleIndex(Vector3 x, const SurfaceElement& element) const;

    void MarkParallelograms();
    void ComputeElementNormals();
    void ComputeNormalFactors();

    // The direction flag of a direction text: 1 for "OUT", 0 for "IN". Any other text is reported
    // under the command's report name and gives -2.
    int DirectionFlag(const char* direction, const char* functionName);

    // The steps that -ms and -mm share.
    // k = omega / c, c the complex sound velocity.
    void SetWaveNumber(double omega);
    // The direction check, then the frequency check (it must be finite), and the wave number: the
    // direction flag and omega, or -2 (reported).
    int StartMatrixCommand(const char* direction, double frequency, double& omega);
    // Reads and prepares the boundary surface, takes over its arrays and runs Init.
    // Reads a surface file with its progress lines and runs the preparation pipeline.
    int ReadAndPrepare(CSurface& surface, const char* surfaceFile, int direction);
    int TakeOverSurface(CSurface& surface, const char* surfaceFile, int direction);
    // Loads the rules and writes rowCount rows, one per row point: the solid angles (null for
    // -mm) subtracted on the diagonal of A, B scaled by -j omega DENSITY.
    int WriteMatrices(double omega, const char* matrixFile, int rowCount, const Vector3* rowPoints,
                      const double* solidAngles);

    CGaussTable gaussTable;
    const char* className = "CGenerator";
    ConfigData config;
    std::vector<Complex> rowA;
    std::vector<Complex> rowB;
    int pointCount = 0;
    int totalElementCount = 0;
    int measuringPointCount = 0;
    // Views into the surfaces of the running command; valid only while it runs, never released.
    const Vector3* points = nullptr;
    const Vector3* measuringPoints = nullptr;
    const Vector3* pointDirections = nullptr;
    const SurfaceElement* elements = nullptr;
    const std::uint16_t* sourcePointIndex = nullptr;
    // Per-element geometry, read-only after Init.
    std::vector<Vector3> normalBase;
    std::vector<Vector3> normalSlopeA;
    std::vector<Vector3> normalSlopeB;
    std::vector<std::array<double, 4>> nodeFactors;
    std::vector<unsigned char> isParallelogram;
    Complex waveNumber{0.0, 0.0};
};
