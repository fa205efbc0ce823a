#include "frequency/IncidentTerms.h"

#include <new>

#include "base/LogFile.h"
#include "base/Status.h"

namespace {

std::vector<Complex> RowTerms(const CIncidentField& incident, Complex k, const Vector3* x,
                              int count) {
    std::vector<Complex> terms(static_cast<std::size_t>(count));
    incident.RowTerms(k, x, count, terms.data());
    return terms;
}

std::vector<Complex> Pressures(const CIncidentField& incident, Complex k,
                               const std::vector<Vector3>& x) {
    std::vector<Complex> pressures(x.size());
    incident.Pressures(k, x.data(), static_cast<int>(x.size()), pressures.data());
    return pressures;
}

// The direction of the velocity of each surface point, as the elements take it: the point's
// direction where the surface gives one, else the sum of the normals of the elements that hold
// the point (images included, so that a point on a symmetry plane gets the normal in the
// plane), of unit length.
std::vector<Vector3> VelocityDirections(const CGenerator& generator, int pointCount) {
    std::vector<Vector3> directions(static_cast<std::size_t>(pointCount), Vector3{0.0, 0.0, 0.0});
    for (int e = 0; e < generator.totalElementCount; ++e) {
        const SurfaceElement& element = generator.elements[static_cast<std::size_t>(e)];
        for (int j = 0; j < element.nodeCount; ++j) {
            const int point = element.nodes[j];
            if (point < pointCount)
                directions[static_cast<std::size_t>(point)] =
                    directions[static_cast<std::size_t>(point)] +
                    generator.normalBase[static_cast<std::size_t>(e)];
        }
    }
    for (int i = 0; i < pointCount; ++i) {
        const std::size_t p = static_cast<std::size_t>(i);
        const Vector3 given = generator.pointDirections[p];
        if (given.x != 0.0 || given.y != 0.0 || given.z != 0.0) {
            directions[p] = given;
        } else {
            const double length = Length(directions[p]);
            if (length > 0.0) directions[p] = directions[p] * (1.0 / length);
        }
    }
    return directions;
}

}  // namespace

Complex InteriorIncidentTerm(int n, const Complex* a, const Complex* b, const Complex* pressures,
                             const Complex* velocities) {
    Complex sum{0.0, 0.0};
    if (pressures == nullptr || velocities == nullptr) return sum;
    for (int j = 0; j < n; ++j) sum += a[j] * pressures[j] - b[j] * velocities[j];
    return sum;
}

int IncidentTerms(const Model& model, const CIncidentField& incident, double omega,
                  AddedTerms& terms) {
    terms = AddedTerms{};
    if (incident.Empty()) return Status::ok;
    const Complex k = model.generator->WaveNumber(omega);
    try {
        terms.surfaceRows = RowTerms(incident, k, model.surface->points.data(), model.pointCount);
        const std::vector<Vector3> directions =
            VelocityDirections(*model.generator, model.pointCount);
        terms.surfacePressures.resize(directions.size());
        terms.surfaceVelocities.resize(directions.size());
        const double density = model.config.density;
        for (std::size_t i = 0; i < directions.size(); ++i) {
            const Vector3 x = model.surface->points[i];
            terms.surfacePressures[i] = incident.Pressure(k, x);
            terms.surfaceVelocities[i] =
                incident.NormalVelocity(k, omega, density, x, directions[i]);
        }
        terms.checkPoints = Pressures(incident, k, model.interior.check);
        terms.fieldPoints = Pressures(incident, k, model.fieldPoints);
    } catch (const std::bad_alloc&) {
        terms = AddedTerms{};
        logFile.ReportError("IncidentTerms", "IncidentTerms", Message::noMemory, "");
        return Status::noMemory;
    }
    return Status::ok;
}
