// octantsphere radius n surface.srf [whole]: writes the octant x, y, z >= 0 of a sphere, n^2
// triangles, with the symmetry planes x = 0, y = 0 and z = 0; with "whole", the complete sphere
// of the same points and triangles (8 n^2 triangles) without symmetry planes.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/ToolSupport.h"

int main(int argc, char* argv[]) {
    double radius = 0.0;
    long n = 0;
    const bool whole = argc == 5 && std::strcmp(argv[4], "whole") == 0;
    if ((argc != 4 && !whole) || !tool::ParseDouble(argv[1], radius) || radius <= 0.0 ||
        !tool::ParseInt(argv[2], 1, 90, n)) {
        std::fprintf(
            stderr,
            "usage: octantsphere radius n surface.srf [whole]\n"
            "  radius > 0; n = 1 to 90 divisions of each octant edge; \"whole\" writes the\n"
            "  complete sphere instead of the octant with three symmetry planes\n");
        return 2;
    }
    const meshes::Mesh m = meshes::OctantSphere(radius, static_cast<int>(n), whole);
    const std::string what = whole ? "Sphere of octants" : "Sphere octant with 3 symmetry planes";
    return tool::SaveAndDescribe(m, argv[3],
                                 what + ", radius " + std::string(argv[1]) + ", n = " +
                                     std::string(argv[2]) + ", outward, written by octantsphere");
}
