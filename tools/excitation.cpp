// excitation uniform|cosine surface.srf amplitude excitation.xct: writes a normal velocity
// excitation for every point of a surface file: the amplitude everywhere (a pulsating body), or
// the amplitude times cos(theta) = z / |x| (a rigid body oscillating along +z about the origin).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/ExcitationType.h"
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
    const std::vector<std::int16_t> types(points.size(), givenVelocity);
    std::vector<Complex> velocities;
    for (const Vector3 x : points) {
        const double r = Length(x);
        velocities.push_back({cosine ? (r > 0.0 ? amplitude * (x.z / r) : 0.0) : amplitude, 0.0});
    }
    const std::string title = "Normal velocity " + std::string(argv[3]) +
                              (cosine ? " * cos(theta)" : "") + " for " + argv[2] +
                              ", written by excitation";
    {
        ConsoleCapture capture;
        CFileIO io;
        if (io.WriteExcitationFile(argv[4], static_cast<int>(points.size()), types.data(),
                                   velocities.data(), title.c_str()) < 0) {
            std::fprintf(stderr, "error: cannot write %s\n", argv[4]);
            return 1;
        }
    }
    std::printf("%s: %zu points\n", argv[4], points.size());
    return 0;
}
