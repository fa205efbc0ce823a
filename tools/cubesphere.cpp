// cubesphere radius m surface.srf: writes a sphere of 6 m^2 quadrilaterals (6 m^2 + 2 points).
#include <cstdio>
#include <string>

#include "tools/ToolSupport.h"

int main(int argc, char* argv[]) {
    double radius = 0.0;
    long m = 0;
    if (argc != 4 || !tool::ParseDouble(argv[1], radius) || radius <= 0.0 ||
        !tool::ParseInt(argv[2], 1, 104, m)) {
        std::fprintf(stderr,
                     "usage: cubesphere radius m surface.srf\n"
                     "  radius > 0; m = 1 to 104 quadrilaterals along each cube edge\n");
        return 2;
    }
    const meshes::Mesh mesh = meshes::CubedSphere(radius, static_cast<int>(m));
    return tool::SaveAndDescribe(mesh, argv[3],
                                 "Cubed sphere of radius " + std::string(argv[1]) + ", m = " +
                                     std::string(argv[2]) + ", outward, written by cubesphere");
}
