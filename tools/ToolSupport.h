// Small shared pieces of the helper programs: strict parsing of command-line numbers and the
// readers of the point coordinates of a surface file and of the pressures of a result file.
#pragma once

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Complex.h"
#include "fileio/TextReader.h"
#include "base/Vector3.h"

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

// Files with more records than this are not surfaces or results of the program.
constexpr long recordLimit = 65535;

// Reads the point coordinates of a surface or measuring points file (the direction vectors are
// read and dropped; elements and planes are not read). Returns an empty text on success, else
// what is wrong.
inline std::string ReadPoints(const std::string& fileName, std::vector<Vector3>& points) {
    CTextReader reader;
    if (!reader.Open(fileName.c_str())) return "cannot open " + fileName;
    reader.SkipCommentLines();
    long count = 0;
    if (!reader.ReadAutoInt(count) || count < 1 || count > recordLimit) {
        return fileName + ": bad number of points";
    }
    reader.SkipLine();
    points.clear();
    for (long i = 0; i < count; ++i) {
        long index = -1;
        double v[6];
        bool ok = reader.ReadAutoInt(index) && index == i;
        for (double& d : v) ok = ok && reader.ReadDecimal(d);
        if (!ok) return fileName + ": bad point line " + std::to_string(i);
        points.push_back({v[0], v[1], v[2]});
        reader.SkipLine();
    }
    return "";
}

// Reads the pressures of a result file.
inline std::string ReadPressures(const std::string& fileName, std::vector<Complex>& pressures) {
    CTextReader reader;
    if (!reader.Open(fileName.c_str())) return "cannot open " + fileName;
    reader.SkipCommentLines();
    int count = 0;
    if (!reader.ReadInt(count) || count < 1 || count > recordLimit) {
        return fileName + ": bad number of results";
    }
    reader.SkipLine();
    pressures.clear();
    for (int i = 0; i < count; ++i) {
        int index = -1;
        double v[4];
        bool ok = reader.ReadInt(index) && index == i;
        for (double& d : v) ok = ok && reader.ReadDouble(d);
        if (!ok) return fileName + ": bad result line " + std::to_string(i);
        pressures.push_back({v[0], v[1]});
        reader.SkipLine();
    }
    return "";
}

}  // namespace tool
