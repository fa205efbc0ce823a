#include "fileio/RegionsFile.h"

#include <cctype>
#include <map>

#include "base/LogFile.h"
#include "fileio/WholeFile.h"
#include "base/Status.h"

int RegionMap::Find(const std::string& name) const {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<int>(i);
    }
    return -1;
}

using namespace regionsFile;

int ReadRegionsFile(const char* fileName, RegionMap& regions) {
    regions = RegionMap{};
    // No valid file is larger than its longest lines for the largest surface.
    const long sizeLimit = static_cast<long>(elementLimit + 1000) * lineLimit;
    std::string text;
    const int status = ReadWholeFile("", "ReadRegionsFile", fileName, sizeLimit, text);
    if (status < 0) return status;
    return ReadRegionsText(text, fileName, regions);
}

int ReadRegionsText(const std::string& text, const std::string& fileName, RegionMap& regions) {
    const char* const function = "ReadRegionsFile";
    regions = RegionMap{};
    const auto fail = [&](int line, const std::string& problem) {
        const std::string comment = fileName + " line " + std::to_string(line) + ": " + problem;
        logFile.ReportError("", function, Message::badInputFile, comment.c_str());
        regions = RegionMap{};
        return Status::badInputFile;
    };
    std::map<std::string, int> index;
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (line.size() >= static_cast<std::size_t>(lineLimit))
            return fail(number, "line too long");
        if (!line.empty() && line[0] == '%') continue;
        std::size_t first = 0;
        while (first < line.size() && std::isspace(static_cast<unsigned char>(line[first])))
            ++first;
        std::size_t last = line.size();
        while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1]))) --last;
        if (first == last) continue;  // blank lines carry no element
        const std::string name = line.substr(first, last - first);
        for (char c : name) {
            if (std::isspace(static_cast<unsigned char>(c)) || c == '\0' ||
                !std::isprint(static_cast<unsigned char>(c))) {
                return fail(number, "a region name is one word of printable characters");
            }
        }
        if (static_cast<int>(name.size()) > nameLimit) {
            return fail(number, "a region name has at most 64 characters");
        }
        if (static_cast<int>(regions.elementRegion.size()) >= elementLimit) {
            return fail(number, "more than " + std::to_string(elementLimit) + " elements");
        }
        const auto found = index.find(name);
        int region = 0;
        if (found == index.end()) {
            region = static_cast<int>(regions.names.size());
            regions.names.push_back(name);
            index.emplace(name, region);
        } else {
            region = found->second;
        }
        regions.elementRegion.push_back(region);
    }
    if (regions.elementRegion.empty()) return fail(number, "no element has a region");
    return Status::ok;
}
