#include "support/SurfaceText.h"

#include <cstdio>

namespace test {

std::string SurfaceText(const meshes::Mesh& mesh) {
    char line[512];
    std::string text = std::to_string(mesh.points.size()) + "\n";
    for (std::size_t i = 0; i < mesh.points.size(); ++i) {
        const Vector3 p = mesh.points[i];
        std::snprintf(line, sizeof line, "%zu\t%.17g %.17g %.17g\t0 0 0\n", i, p.x, p.y, p.z);
        text += line;
    }
    text += std::to_string(mesh.elements.size()) + "\n";
    for (std::size_t j = 0; j < mesh.elements.size(); ++j) {
        const SurfaceElement& e = mesh.elements[j];
        text += std::to_string(j) + "\t" + std::to_string(e.nodeCount) + "\t";
        for (int k = 0; k < e.nodeCount; ++k)
            text += (k > 0 ? " " : "") + std::to_string(e.nodes[k]);
        text += "\n";
    }
    text += std::to_string(mesh.planePoints.size()) + "\n";
    for (std::size_t k = 0; k < mesh.planePoints.size(); ++k) {
        const Vector3 q = mesh.planePoints[k];
        const Vector3 n = mesh.planeNormals[k];
        std::snprintf(line, sizeof line, "%zu\t%.17g %.17g %.17g\t%.17g %.17g %.17g\n", k, q.x, q.y,
                      q.z, n.x, n.y, n.z);
        text += line;
    }
    return text;
}

}  // namespace test
