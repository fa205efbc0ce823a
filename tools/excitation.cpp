// excitation uniform|cosine surface.srf amplitude excitation.xct: writes a normal velocity
// excitation for every point of a surface file: the amplitude everywhere (a pulsating body), or
// the amplitude times cos(theta) = z / |x| (a rigid body oscillating along +z about the origin).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/File.h"
#include "tools/Mesh.h"
#include "tools/ToolSupport.h"

int main(int argc, char* argv[]) {
    const bool uniform = argc == 5 && std::strcmp(argv[1], "uniform") == 0;
    const bool cosine = argc == 5 && std::strcmp(argv[1], "cosine") == 0;
    double amplitude = 0.0;
    if (!(uniform || cosine) || !tool::ParseDouble(argv[3], amplitude)) {
        std::fprintf(stderr,
                     "usage: excitation uniform|cosine surface.srf amplitude excitation.xct\n"
                     "  uniform: normal velocity = amplitude at every point\n"
                     "  cosine:  normal velocity = amplitude * z / |x| (oscillation along +z)\n");
        return 2;
    }
    std::vector<Vector3> points;
    const std::string problem = tool::ReadPoints(argv[2], points);
    if (!problem.empty()) {
        std::fprintf(stderr, "error: %s\n", problem.c_str());
        return 1;
    }
    UniqueFile file = OpenFile(argv[4], "wt");
    if (!file) {
        std::fprintf(stderr, "error: cannot write %s\n", argv[4]);
        return 1;
    }
    std::fprintf(file.get(), "%% Normal velocity %s%s for %s, written by excitation\n%zu\n", argv[3],
                 cosine ? " * cos(theta)" : "", argv[2], points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vector3 x = points[i];
        const double r = Length(x);
        const double velocity = cosine ? (r > 0.0 ? amplitude * (x.z / r) : 0.0) : amplitude;
        std::fprintf(file.get(), "%zu\tV\t%s 0\n", i, mesh::Number(velocity).c_str());
    }
    if (!CloseWritten(file)) {
        std::fprintf(stderr, "error: cannot write %s\n", argv[4]);
        return 1;
    }
    std::printf("%s: %zu points\n", argv[4], points.size());
    return 0;
}
