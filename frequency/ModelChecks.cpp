#include "frequency/ModelChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Constants.h"
#include "base/LogFile.h"
#include "base/Status.h"

namespace {

constexpr const char* className = "Model";
constexpr double largestSpan = 10.0;    // wavelengths at the lowest frequency
constexpr double smallestSpan = 0.01;   // of a wavelength at the highest frequency

std::string Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string G(double value) { return Number("%.4g", value); }

void PrintLine(const std::string& text) { logFile.Print(text.c_str(), 1); }

// The report of a mistake, or its warning when the model accepts it (`key`: the word of the job
// key ACCEPT that does, in capitals).
int Refuse(const char* function, const std::string& text, bool accepted, const std::string& key) {
    if (accepted) {
        PrintLine("Warning: " + text + " (accepted)\n");
        return Status::ok;
    }
    std::string word = key;
    for (char& c : word) c = static_cast<char>(c - 'A' + 'a');
    const std::string comment = text + "; if it is meant, the job key ACCEPT " + key +
                                " (accept=\"" + word + "\" in Python) lets it run";
    logFile.ReportError(className, function, Message::invalidData, comment.c_str());
    return Status::invalidData;
}

bool TooLarge(const BodyScale& body, double scale, double lowest) {
    const double lambda = Wavelength(body.soundVelocity, lowest);
    return 2.0 * body.radius * scale > largestSpan * lambda &&
           body.longestEdge * scale * elementsPerWavelengthLeast > lambda;
}

bool TooSmall(const BodyScale& body, double scale, double highest) {
    return 2.0 * body.radius * scale < smallestSpan * Wavelength(body.soundVelocity, highest);
}

// The scales among `candidates` that would make the size plausible, each with the option of the
// importer that applies it and the size it gives.
std::string Remedies(const BodyScale& body, double lowest, double highest,
                     const std::vector<std::pair<double, const char*>>& candidates) {
    std::string text;
    for (const auto& candidate : candidates) {
        if (TooLarge(body, candidate.first, lowest) || TooSmall(body, candidate.first, highest))
            continue;
        text += std::string(text.empty() ? "scaled by " : ", by ") + G(candidate.first) + " (" +
                candidate.second + ") it spans " + G(2.0 * body.radius * candidate.first) + " m";
    }
    if (text.empty()) text = "no scale of " + G(candidates.front().first) + " or " +
                             G(candidates.back().first) + " makes it fit the frequencies";
    return text;
}

std::string PointText(Vector3 p) {
    return "(" + Number("%.6g", p.x) + ", " + Number("%.6g", p.y) + ", " + Number("%.6g", p.z) +
           ")";
}

}  // namespace

double Wavelength(Complex soundVelocity, double frequency) {
    // Re k = omega Re(1 / c).
    const double u = soundVelocity.re, w = soundVelocity.im;
    return 2.0 * pi / (AngularFrequency(frequency) * u / (u * u + w * w));
}

double ElementsPerWavelength(double longestEdge, Complex soundVelocity, double frequency) {
    if (!(longestEdge > 0.0)) return HUGE_VAL;
    return Wavelength(soundVelocity, frequency) / longestEdge;
}

double LargestDistanceFromCentroid(const Vector3* points, int count) {
    if (count <= 0) return 0.0;
    Vector3 centroid{0.0, 0.0, 0.0};
    for (int i = 0; i < count; ++i) centroid = centroid + points[i];
    centroid = centroid * (1.0 / count);
    double largest = 0.0;
    for (int i = 0; i < count; ++i) largest = std::max(largest, Length(points[i] - centroid));
    return largest;
}

int CheckWavelengths(const BodyScale& body, std::vector<double> frequencies, bool acceptSize) {
    if (frequencies.empty()) return Status::ok;
    std::sort(frequencies.begin(), frequencies.end());
    const double lowest = frequencies.front(), highest = frequencies.back();
    const double span = 2.0 * body.radius;
    if (TooLarge(body, 1.0, lowest)) {
        const double lambda = Wavelength(body.soundVelocity, lowest);
        const std::string text =
            "the body spans " + G(span) + " m, " + G(span / lambda) + " wavelengths at " +
            G(lowest) + " Hz, with " +
            G(ElementsPerWavelength(body.longestEdge, body.soundVelocity, lowest)) +
            " elements per wavelength: is the mesh in millimetres or centimetres? " +
            Remedies(body, lowest, highest,
                     {{0.001, "kavoral-mesh import --units mm"}, {0.01, "--units cm"}});
        const int status = Refuse("CheckWavelengths", text, acceptSize, "SIZE");
        if (status < 0) return status;
    } else if (TooSmall(body, 1.0, highest)) {
        const double lambda = Wavelength(body.soundVelocity, highest);
        const std::string text =
            "the body spans " + G(span) + " m, " + G(span / lambda) + " of a wavelength at " +
            G(highest) + " Hz: was the mesh scaled twice, or is it in metres and scaled as " +
            "millimetres? " +
            Remedies(body, lowest, highest,
                     {{1000.0, "kavoral-mesh import --scale 1000"}, {100.0, "--scale 100"}});
        const int status = Refuse("CheckWavelengths", text, acceptSize, "SIZE");
        if (status < 0) return status;
    }

    // The frequency whose wavelength is six longest edges (343 / (6 h) in air).
    const double goodUpTo =
        Wavelength(body.soundVelocity, 1.0) / (elementsPerWavelengthLeast * body.longestEdge);
    PrintLine("Elements per wavelength by the longest edge " + G(body.longestEdge) + ": " +
              G(ElementsPerWavelength(body.longestEdge, body.soundVelocity, lowest)) + " at " +
              G(lowest) + " Hz" +
              (highest > lowest
                   ? " to " +
                         G(ElementsPerWavelength(body.longestEdge, body.soundVelocity, highest)) +
                         " at " + G(highest) + " Hz"
                   : std::string()) +
              "; the mesh is good up to " + G(goodUpTo) + " Hz (" +
              G(elementsPerWavelengthLeast) + " per wavelength)\n");
    const long coarse = std::count_if(frequencies.begin(), frequencies.end(),
                                      [&](double f) { return f > goodUpTo; });
    if (coarse > 0) {
        PrintLine("Warning: " + std::to_string(coarse) + " of " +
                  std::to_string(frequencies.size()) + " frequencies lie above " + G(goodUpTo) +
                  " Hz, where the mesh is too coarse: their results may be off by several dB "
                  "away from the axis; a mesh of edges up to " +
                  G(Wavelength(body.soundVelocity, highest) / elementsPerWavelengthLeast) +
                  " resolves " + G(highest) + " Hz\n");
    }
    return Status::ok;
}

int CheckFieldPointSides(const SurfaceGeometry& surface, const std::vector<Vector3>& points,
                         bool exterior, bool acceptSide) {
    if (points.empty() || surface.elementCount == 0) return Status::ok;
    Vector3 low, high;
    interior::BoundingBox(surface, low, high);
    std::vector<std::size_t> wrong;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vector3 x = points[i];
        // Outside the box of a closed surface is outside it; inside, the solid angle decides.
        const bool inBox = x.x >= low.x && x.x <= high.x && x.y >= low.y && x.y <= high.y &&
                           x.z >= low.z && x.z <= high.z;
        const bool inside = inBox && std::fabs(interior::SolidAngle(surface, x)) > 2.0 * pi;
        if (inside == exterior) wrong.push_back(i);
    }
    if (wrong.empty()) return Status::ok;
    constexpr std::size_t named = 5;
    std::string text = std::to_string(wrong.size()) + " of " + std::to_string(points.size()) +
                       " field points lie " + (exterior ? "inside the body" : "outside the surface") +
                       ", where the field of DIRECTION " + (exterior ? "OUT" : "IN") +
                       " is about zero: ";
    for (std::size_t k = 0; k < wrong.size() && k < named; ++k) {
        text += (k == 0 ? "point " : ", point ") + std::to_string(wrong[k]) + " at " +
                PointText(points[wrong[k]]);
    }
    if (wrong.size() > named) text += " and " + std::to_string(wrong.size() - named) + " more";
    if (wrong.size() == points.size())
        text += std::string("; with DIRECTION ") + (exterior ? "IN" : "OUT") + " they are in the field";
    return Refuse("CheckFieldPointSides", text, acceptSide, "SIDE");
}
