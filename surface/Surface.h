// The boundary surface of an acoustic problem: points with direction vectors, triangular and
// quadrilateral elements over them, and symmetry planes that complete the stored part. It reads
// and writes the surface file and prepares the complete, consistently oriented surface.
#pragma once

#include <array>
#include <cstdio>
#include <cstdint>
#include <vector>

#include "fileio/ConfigData.h"
#include "surface/SurfaceElement.h"
#include "base/Vector3.h"

// How a surface file is written: as the program writes it, or as a tool writes a mesh.
struct SurfaceFileStyle {
    const char* title = nullptr;  // the first comment line; null: the program's own
    bool fullPrecision = false;   // every number to round-trip precision instead of six digits
};

class CSurface {
public:
    // At most this many points and elements in the file and after the reflection: the program's
    // limit unless a front end that takes larger surfaces sets wideSurfaceIndexLimit before
    // reading.
    int indexLimit = surfaceIndexLimit;

    explicit CSurface(ConfigData configData);
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;
    virtual ~CSurface();

    int ReadSurfaceFile(const char* fileName);
    // Writes the stored part (the file's points, elements and planes). A regular file at the name
    // is replaced only by a complete one; see CFileReplacement for links and devices.
    int WriteSurfaceFile(const char* fileName);
    int WriteSurfaceFile(const char* fileName, const SurfaceFileStyle& style);
    // The text of the stored part; false at the first write the stream refuses.
    bool WriteStoredPart(std::FILE* file, const SurfaceFileStyle& style = {}) const;

    // The preparation pipeline (surface/Preparation.cpp) and its steps, in pipeline order.
    int PrepareSurface(int direction);
    int CheckElements();
    int Reflect();
    int BuildNeighbourMatrix();
    int GetSubBoundaries();  // the number of elements turned over, or a failure
    int CalculateAngles();
    int TurnSurface(int direction);  // 1 when a sub-boundary was turned over, else 0

    static void ReverseNodes(SurfaceElement& element);
    // -1: a common edge run the same way, +1: run in opposite directions, 0: no common edge.
    static int CompareOrientation(const SurfaceElement& a, const SurfaceElement& b);
    static double PlaneDistance(Vector3 p, Vector3 q, Vector3 n);
    static Vector3 ReflectPoint(Vector3 p, Vector3 q, Vector3 n);
    static Vector3 ReflectVector(Vector3 v, Vector3 n);
    // The angle between two elements at their common edge e, on the side their normals a, b face.
    static double EdgeAngle(Vector3 e, Vector3 a, Vector3 b);

    const char* className = "CSurface";
    ConfigData config;
    int pointCount = 0;
    int totalPointCount = 0;
    std::vector<Vector3> points;
    std::vector<SurfaceIndex> sourcePointIndex;
    std::vector<Vector3> pointDirections;
    int elementCount = 0;
    int totalElementCount = 0;
    std::vector<SurfaceElement> elements;
    int symmetryPlaneCount = 0;
    std::vector<Vector3> planeNormals;
    std::vector<Vector3> planePoints;
    // Edge neighbours of each element in ascending order; a triangle's fourth entry is unused.
    std::vector<std::array<SurfaceIndex, 4>> neighbours;
    int subBoundaryCount = 0;
    std::vector<SurfaceIndex> elementOrder;
    // subBoundaryCount + 1 entries once the sub-boundaries are known.
    std::vector<SurfaceIndex> elementStarts;
    std::vector<SurfaceIndex> pointOrder;
    std::vector<SurfaceIndex> pointStarts;
    std::vector<double> solidAngles;

private:
    // The two halves of GetSubBoundaries: the elements in the order of their sub-boundaries,
    // each turned to its first element's orientation (the number turned, or a failure), then the
    // points in the order of the elements.
    int OrderElements();
    int OrderPoints();
    // Appends a start position; false after one report when the memory is refused.
    bool AddStart(std::vector<SurfaceIndex>& starts, int position, const char* function);
};
