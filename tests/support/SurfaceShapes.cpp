#include "support/SurfaceShapes.h"

#include <cmath>
#include <cstdio>

namespace shapes {

sphere::Mesh Cube(bool triangles) {
    sphere::Mesh mesh;
    for (int i = 0; i < 8; ++i) {
        const int bottom = i % 4;
        mesh.points.push_back({(bottom == 1 || bottom == 2) ? 1.0 : 0.0, bottom >= 2 ? 1.0 : 0.0,
                               i >= 4 ? 1.0 : 0.0});
    }
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& f : faces) {
        if (triangles) {
            mesh.elements.push_back(sphere::Triangle(f[0], f[1], f[2]));
            mesh.elements.push_back(sphere::Triangle(f[0], f[2], f[3]));
        } else {
            mesh.elements.push_back(sphere::Quadrilateral(f[0], f[1], f[2], f[3]));
        }
    }
    return mesh;
}

sphere::Mesh Tetrahedron() {
    sphere::Mesh mesh;
    mesh.points = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
    mesh.elements = {sphere::Triangle(0, 1, 2), sphere::Triangle(0, 3, 1),
                     sphere::Triangle(0, 2, 3), sphere::Triangle(1, 3, 2)};
    return mesh;
}

std::string SurfaceText(const sphere::Mesh& mesh) {
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
        for (int k = 0; k < e.nodeCount; ++k) text += (k > 0 ? " " : "") + std::to_string(e.nodes[k]);
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

}  // namespace shapes
