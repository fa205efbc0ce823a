// fieldpoints: writes a measuring points file.
//   fieldpoints arc radius count theta0 theta1 points.ms   points on an arc in the x-z plane,
//                                                          polar angles in degrees from +z
//   fieldpoints line x0 y0 z0 x1 y1 z1 count points.ms     points on a straight line
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/ToolSupport.h"

static int Usage() {
    std::fprintf(
        stderr,
        "usage: fieldpoints arc radius count theta0 theta1 points.ms\n"
        "       fieldpoints line x0 y0 z0 x1 y1 z1 count points.ms\n"
        "  arc: count points in the x-z plane (x >= 0) at polar angles theta0 to theta1\n"
        "  (degrees from the +z axis); line: count points from (x0 y0 z0) to (x1 y1 z1)\n");
    return 2;
}

int main(int argc, char* argv[]) {
    long count = 0;
    if (argc == 7 && std::strcmp(argv[1], "arc") == 0) {
        double r = 0.0, t0 = 0.0, t1 = 0.0;
        if (!tool::ParseDouble(argv[2], r) || r <= 0.0 ||
            !tool::ParseInt(argv[3], 1, surfaceIndexLimit, count) ||
            !tool::ParseDouble(argv[4], t0) || !tool::ParseDouble(argv[5], t1)) {
            return Usage();
        }
        return tool::SaveAndDescribe(meshes::ArcPoints(r, static_cast<int>(count), t0, t1), argv[6],
                                     "Measuring points on an arc of radius " +
                                         std::string(argv[2]) + ", written by fieldpoints");
    }
    if (argc == 10 && std::strcmp(argv[1], "line") == 0) {
        double v[6];
        for (int i = 0; i < 6; ++i) {
            if (!tool::ParseDouble(argv[2 + i], v[i])) return Usage();
        }
        if (!tool::ParseInt(argv[8], 1, surfaceIndexLimit, count)) return Usage();
        return tool::SaveAndDescribe(
            meshes::LinePoints({v[0], v[1], v[2]}, {v[3], v[4], v[5]}, static_cast<int>(count)),
            argv[9], "Measuring points on a line, written by fieldpoints");
    }
    return Usage();
}
