#include "SweepSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

namespace sweeptest {

Elements FromMesh(const meshes::Mesh& m) { return Elements{m.points, m.elements}; }

void WriteSphere(const test::TempDir& dir, int level) {
    test::CopyGaussFile(dir.Path());
    ASSERT_TRUE(
        meshes::WriteSurface(meshes::Icosphere(1.0, level), dir.File("sphere.srf"), "sphere"));
    ASSERT_TRUE(meshes::WriteSurface(meshes::LinePoints({0, 0, 1.5}, {0, 0, 5}, 4),
                                     dir.File("field.ms"), "field points"));
}

std::string SphereJob(const std::string& lines) {
    return "% pulsating sphere\nDENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE sphere.srf\n"
           "BOUNDARY ALL V 1 0\nFIELD_POINTS field.ms\nOUTPUT out\n" +
           lines + "ACCEPT UNTRUSTED\n";
}

test::RunResult RunSweep(const test::TempDir& dir, const std::vector<std::string>& arguments) {
    return test::RunProgram(KAVORAL_SWEEP_BINARY, dir.Path(), arguments);
}

std::string FrequencyOfKa(double ka) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", ka * 343.0 / (2.0 * 4.0 * std::atan(1.0)));
    return text;
}

std::vector<std::vector<std::string>> CsvRows(const std::string& fileName) {
    std::istringstream lines(test::ReadFile(fileName));
    std::string line;
    std::vector<std::vector<std::string>> rows;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        std::string cell;
        while (std::getline(row, cell, ',')) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

}  // namespace sweeptest
