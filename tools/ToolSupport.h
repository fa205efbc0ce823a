// Small shared pieces of the helper programs: strict parsing of command-line numbers, the
// library's readers with their reports turned into an error text, and the common end of the mesh
// tools. The file formats themselves are the library's.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/LogFile.h"
#include "base/Complex.h"
#include "base/Vector3.h"
#include "fileio/FileIO.h"
#include "fileio/NumberFormat.h"
#include "meshes/Mesh.h"
#include "surface/Preparation.h"
#include "surface/Surface.h"

namespace tool {

// The whole text must be a finite number.
inline bool ParseDouble(const char* text, double& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// The whole text must be a decimal integer within [low, high].
inline bool ParseInt(const char* text, long low, long high, long& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

// A number as the tools print it: to round-trip precision.
inline std::string Number(double value) {
    char text[numberTextSize];
    FormatRoundTrip(value, text);
    return text;
}

// What a failed library reader reported, as one error text.
inline std::string Problem(const std::string& fileName, const std::string& report) {
    return "cannot read " + fileName + ":" + report;
}

// Reads the point coordinates of a surface or measuring points file. Returns an empty text on
// success, else what is wrong.
inline std::string ReadPoints(const std::string& fileName, std::vector<Vector3>& points) {
    ConsoleCapture capture;
    CSurface surface{ConfigData{}};
    if (ReadMeasuringPoints(surface, fileName.c_str()) < 0) {
        const std::size_t report = capture.text.find("\n########");  // after the progress line
        return Problem(fileName, report == std::string::npos ? capture.text
                                                             : capture.text.substr(report));
    }
    points.assign(surface.points.begin(), surface.points.begin() + surface.pointCount);
    return "";
}

// Reads the pressures of a result file.
inline std::string ReadPressures(const std::string& fileName, std::vector<Complex>& pressures) {
    ConsoleCapture capture;
    CFileIO io;
    int count = 0;
    std::vector<Complex> values;
    std::vector<Complex> velocities;
    if (io.ReadResultFile(fileName.c_str(), count, values, velocities) < 0) {
        return Problem(fileName, capture.text);
    }
    pressures.swap(values);
    return "";
}

// The common end of the mesh tools: refuses a mesh the program could not hold (or, with
// wideSurfaceIndexLimit, kavoral-sweep), writes the file and prints one line with the counts and
// the longest element edge (the first DIVISION value of the configuration should lie above it).
// Returns the process exit status.
inline int SaveAndDescribe(const meshes::Mesh& m, const std::string& fileName,
                           const std::string& title, int limit = surfaceIndexLimit) {
    if (!meshes::FitsWithin(m, limit)) {
        std::fprintf(stderr, "error: the surface would exceed %d points or elements\n", limit);
        return 2;
    }
    {
        ConsoleCapture capture;
        if (!meshes::WriteSurface(m, fileName, title)) {
            std::fprintf(stderr, "error: cannot write %s\n", fileName.c_str());
            return 1;
        }
    }
    if (m.elements.empty()) {
        std::printf("%s: %zu points\n", fileName.c_str(), m.points.size());
    } else {
        std::printf("%s: %zu points, %zu elements, %zu symmetry planes, longest edge %s\n",
                    fileName.c_str(), m.points.size(), m.elements.size(), m.planePoints.size(),
                    Number(meshes::LongestEdge(m)).c_str());
    }
    return 0;
}

}  // namespace tool
