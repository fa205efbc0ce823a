#include "frequency/Boundary.h"

#include "base/LogFile.h"
#include "base/Status.h"
#include "fileio/ExcitationType.h"

namespace {

// Lower rank wins at a point where elements of different types meet.
int Rank(int type) {
    switch (type) {
        case givenPressure: return 0;
        case givenImpedance: return 1;
        case givenAdmittance: return 2;
        default: return 3;  // givenVelocity
    }
}

// The region names there are, for the report of a region that no element has.
std::string RegionNames(const RegionMap* regions) {
    if (regions == nullptr || regions->names.empty()) return "no regions are given: every element is in ALL";
    constexpr std::size_t listed = 20;
    std::string text = regions->names.size() == 1 ? "the one region is " : "the regions are ";
    for (std::size_t r = 0; r < regions->names.size() && r < listed; ++r)
        text += (r == 0 ? "" : ", ") + regions->names[r];
    if (regions->names.size() > listed)
        text += " and " + std::to_string(regions->names.size() - listed) + " more";
    return text;
}

}  // namespace

double ElementArea(const Vector3* points, const SurfaceElement& element) {
    const Vector3 p0 = points[element.nodes[0]];
    const Vector3 p1 = points[element.nodes[1]];
    const Vector3 p2 = points[element.nodes[2]];
    double area = 0.5 * Length(Cross(p1 - p0, p2 - p0));
    if (element.nodeCount == 4) area += 0.5 * Length(Cross(p2 - p0, points[element.nodes[3]] - p0));
    return area;
}

int DeriveExcitation(const Vector3* points, int pointCount, const SurfaceElement* elements,
                     int elementCount, const RegionMap* regions,
                     const std::vector<BoundaryCondition>& conditions, const std::string& jobFile,
                     PointExcitation& excitation) {
    const char* const function = "DeriveExcitation";
    const auto fail = [&](const std::string& comment) {
        logFile.ReportError("", function, Message::invalidData, comment.c_str());
        excitation = PointExcitation{};
        return Status::invalidData;
    };
    // Where a condition comes from; a description made in memory has no file or line to name.
    const auto source = [&](int line) {
        std::string where = jobFile;
        if (line > 0) where += " line " + std::to_string(line);
        return where.empty() ? where : where + ", ";
    };
    if (regions != nullptr &&
        regions->elementRegion.size() != static_cast<std::size_t>(elementCount)) {
        return fail("the regions file names " + std::to_string(regions->elementRegion.size()) +
                    " elements, the surface file has " + std::to_string(elementCount));
    }
    const int regionCount = regions != nullptr ? static_cast<int>(regions->names.size()) : 0;
    // The condition of every region, and of ALL for the elements of no named region.
    std::vector<int> regionCondition(static_cast<std::size_t>(regionCount), -1);
    int allCondition = -1;
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        const BoundaryCondition& condition = conditions[c];
        if (condition.region == "ALL") {
            allCondition = static_cast<int>(c);
            for (int& r : regionCondition) r = static_cast<int>(c);
            continue;
        }
        const int region = regions != nullptr ? regions->Find(condition.region) : -1;
        if (region < 0) {
            return fail(source(condition.line) + "BOUNDARY: no element is in region '" +
                        condition.region + "'; " + RegionNames(regions));
        }
        regionCondition[static_cast<std::size_t>(region)] = static_cast<int>(c);
    }

    std::vector<int> elementCondition(static_cast<std::size_t>(elementCount), allCondition);
    if (regions != nullptr) {
        for (int e = 0; e < elementCount; ++e) {
            const int region = regions->elementRegion[static_cast<std::size_t>(e)];
            elementCondition[static_cast<std::size_t>(e)] =
                regionCondition[static_cast<std::size_t>(region)];
            if (elementCondition[static_cast<std::size_t>(e)] < 0) {
                return fail(source(0) + "BOUNDARY: region '" +
                            regions->names[static_cast<std::size_t>(region)] +
                            "' has no boundary condition");
            }
        }
    } else if (allCondition < 0) {
        return fail(source(0) + "BOUNDARY: the elements have no boundary condition");
    }

    // Per point: the winning rank, and the weighted sums of the values of that rank.
    std::vector<int> rank(static_cast<std::size_t>(pointCount), 4);
    std::vector<Complex> sum(static_cast<std::size_t>(pointCount), Complex{0.0, 0.0});
    std::vector<double> weight(static_cast<std::size_t>(pointCount), 0.0);
    // The plain mean stands in where the elements of the winning type have no area.
    std::vector<Complex> plainSum(static_cast<std::size_t>(pointCount), Complex{0.0, 0.0});
    std::vector<int> count(static_cast<std::size_t>(pointCount), 0);
    for (int e = 0; e < elementCount; ++e) {
        const SurfaceElement& element = elements[e];
        const BoundaryCondition& condition =
            conditions[static_cast<std::size_t>(elementCondition[static_cast<std::size_t>(e)])];
        const double share = ElementArea(points, element) / element.nodeCount;
        const int r = Rank(condition.type);
        for (int j = 0; j < element.nodeCount; ++j) {
            const std::size_t p = element.nodes[j];
            if (r > rank[p]) continue;
            if (r < rank[p]) {
                rank[p] = r;
                sum[p] = Complex{0.0, 0.0};
                weight[p] = 0.0;
                plainSum[p] = Complex{0.0, 0.0};
                count[p] = 0;
            }
            plainSum[p] += condition.value;
            ++count[p];
            sum[p] += Complex{share * condition.value.re, share * condition.value.im};
            weight[p] += share;
        }
    }
    const std::int16_t typeOfRank[4] = {givenPressure, givenImpedance, givenAdmittance,
                                        givenVelocity};
    excitation.types.assign(static_cast<std::size_t>(pointCount), givenVelocity);
    excitation.values.assign(static_cast<std::size_t>(pointCount), Complex{0.0, 0.0});
    for (std::size_t p = 0; p < static_cast<std::size_t>(pointCount); ++p) {
        if (rank[p] > 3) continue;  // on no element: rigid
        excitation.types[p] = typeOfRank[rank[p]];
        excitation.values[p] = weight[p] > 0.0
                                   ? Complex{sum[p].re / weight[p], sum[p].im / weight[p]}
                                   : Complex{plainSum[p].re / count[p], plainSum[p].im / count[p]};
    }
    return Status::ok;
}
