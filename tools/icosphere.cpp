// icosphere radius level surface.srf: writes a triangulated sphere of 10 * 4^level + 2 points
// (level 6 beyond what the Kavoral program holds: for kavoral-sweep).
#include <cstdio>
#include <string>

#include "tools/ToolSupport.h"

int main(int argc, char* argv[]) {
    double radius = 0.0;
    long level = 0;
    if (argc != 4 || !tool::ParseDouble(argv[1], radius) || radius <= 0.0 ||
        !tool::ParseInt(argv[2], 0, 6, level)) {
        std::fprintf(stderr,
                     "usage: icosphere radius level surface.srf\n"
                     "  radius > 0; level 0 to 5 gives 12, 42, 162, 642, 2562 or 10242 points,\n"
                     "  level 6 40962 points and 81920 elements, for kavoral-sweep only\n");
        return 2;
    }
    const meshes::Mesh m = meshes::Icosphere(radius, static_cast<int>(level));
    return tool::SaveAndDescribe(m, argv[3],
                                 "Icosphere of radius " + std::string(argv[1]) + ", level " +
                                     std::string(argv[2]) + ", outward, written by icosphere",
                                 level == 6 ? wideSurfaceIndexLimit : surfaceIndexLimit);
}
