// The regions file: '%' comment lines, then one line per element of the surface file,
// in element order, holding the name of the element's region. The regions carry the boundary
// conditions of BOUNDARY lines.
#pragma once

#include <string>
#include <vector>

#include "base/IndexLimits.h"
#include "fileio/TextReader.h"

struct RegionMap {
    std::vector<std::string> names;           // each name once, in order of first appearance
    std::vector<int> elementRegion;           // per element: its index into names
    int Find(const std::string& name) const;  // -1 when no element is in the region
};

namespace regionsFile {
constexpr int elementLimit = wideSurfaceIndexLimit;
constexpr int nameLimit = 64;  // characters of a region name
constexpr int lineLimit = CTextReader::lineLimit;
}  // namespace regionsFile

// Reads the file into `regions` (replaced). 0, or a negative status after one report that names
// the file and the line. No other side effect.
int ReadRegionsFile(const char* fileName, RegionMap& regions);
// The same for the file's text held in memory.
int ReadRegionsText(const std::string& text, const std::string& fileName, RegionMap& regions);
