// Times each step of the surface preparation on a closed sphere of 60,000 triangles whose
// elements are shuffled and partly turned over, as a surface from a mesher might come.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "base/LogFile.h"
#include "meshes/Mesh.h"
#include "surface/Surface.h"

namespace {

template <typename Step>
int Timed(const char* name, Step step) {
    const auto start = std::chrono::steady_clock::now();
    const int status = step();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-22s %9.3f s  (status %d)\n", name, elapsed.count(), status);
    return status;
}

}  // namespace

int main() {
    std::string console;
    logFile.SetConsoleSink(&console);
    meshes::Mesh mesh;
    meshes::AddLatitudeSphere(mesh, 200, 151, false, nullptr);
    std::mt19937 random(7);
    std::shuffle(mesh.elements.begin(), mesh.elements.end(), random);
    for (SurfaceElement& element : mesh.elements) {
        if (random() % 2 == 0) CSurface::ReverseNodes(element);
    }
    std::printf("%zu points, %zu triangles\n", mesh.points.size(), mesh.elements.size());

    // The surface goes through its file first, as with -ch.
    const char* const fileName = "PrepareSurfaceBench.srf";
    CSurface stored{ConfigData{}};
    meshes::Load(stored, mesh);
    int status = Timed("WriteSurfaceFile", [&] { return stored.WriteSurfaceFile(fileName); });
    CSurface surface{ConfigData{}};
    if (status >= 0)
        status = Timed("ReadSurfaceFile", [&] { return surface.ReadSurfaceFile(fileName); });
    std::remove(fileName);
    const auto total = std::chrono::steady_clock::now();
    if (status >= 0) status = Timed("CheckElements", [&] { return surface.CheckElements(); });
    if (status >= 0) status = Timed("Reflect", [&] { return surface.Reflect(); });
    if (status >= 0)
        status = Timed("BuildNeighbourMatrix", [&] { return surface.BuildNeighbourMatrix(); });
    if (status >= 0) status = Timed("GetSubBoundaries", [&] { return surface.GetSubBoundaries(); });
    if (status >= 0) status = Timed("CalculateAngles", [&] { return surface.CalculateAngles(); });
    if (status >= 0) status = Timed("TurnSurface", [&] { return surface.TurnSurface(1); });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - total;
    std::printf("%-22s %9.3f s\n", "preparation", elapsed.count());
    logFile.SetConsoleSink(nullptr);
    return status < 0 ? 1 : 0;
}
