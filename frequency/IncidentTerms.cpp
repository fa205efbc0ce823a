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

}  // namespace

int IncidentTerms(const Model& model, const CIncidentField& incident, double omega,
                  AddedTerms& terms) {
    terms = AddedTerms{};
    if (incident.Empty()) return Status::ok;
    const Complex k = model.generator->WaveNumber(omega);
    try {
        terms.surfaceRows = RowTerms(incident, k, model.surface->points.data(), model.pointCount);
        terms.chiefRows = RowTerms(incident, k, model.interior.chief.data(),
                                   static_cast<int>(model.interior.chief.size()));
        terms.checkPoints = Pressures(incident, k, model.interior.check);
        terms.fieldPoints = Pressures(incident, k, model.fieldPoints);
    } catch (const std::bad_alloc&) {
        terms = AddedTerms{};
        logFile.ReportError("IncidentTerms", "IncidentTerms", Message::noMemory, "");
        return Status::noMemory;
    }
    return Status::ok;
}
