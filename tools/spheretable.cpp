// spheretable: compares the pressures Kavoral computed for a pulsating or an oscillating sphere
// with the exact solution and prints a table of magnitude, phase and error.
//   spheretable pulsating|oscillating radius ka density c amplitude surface.srf surface.res
//               [points.ms points.res]
// The sphere is centred at the origin; the oscillation is along +z. The error of a point is
// |p - p_exact| divided by the largest exact magnitude at its distance from the centre (for the
// pulsating sphere: by |p_exact| itself).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/SphereField.h"
#include "tools/ToolSupport.h"

namespace {

struct Setting {
    sphere::Motion motion;
    double a, ka, rho, c, amplitude;
    double k() const { return ka / a; }
};

const double degree = std::atan(1.0) / 45.0;

double PolarAngle(Vector3 x) {
    const double r = Length(x);
    return r > 0.0 ? std::acos(std::max(-1.0, std::min(1.0, x.z / r))) / degree : 0.0;
}

double Phase(Complex p) { return std::atan2(p.im, p.re) / degree; }

double Error(const Setting& s, Vector3 x, Complex p) {
    const Complex exact = sphere::Pressure(s.motion, s.rho, s.c, s.a, s.k(), s.amplitude, x);
    return Abs(p - exact) / sphere::PressureScale(s.motion, s.rho, s.c, s.a, s.k(), s.amplitude, x);
}

void PrintRow(const Setting& s, std::size_t i, Vector3 x, Complex p) {
    const Complex exact = sphere::Pressure(s.motion, s.rho, s.c, s.a, s.k(), s.amplitude, x);
    const double scale = sphere::PressureScale(s.motion, s.rho, s.c, s.a, s.k(), s.amplitude, x);
    std::printf("%6zu %9.4f %7.1f %#12.5g %#12.5g ", i, Length(x), PolarAngle(x), Abs(p),
                Abs(exact));
    if (Abs(exact) > 1e-9 * scale) {
        std::printf("%9.2f %9.2f", Phase(p), Phase(exact));
    } else {  // on the nodal line of the oscillating sphere the phase means nothing
        std::printf("%9s %9s", "-", "-");
    }
    std::printf(" %10.2e\n", Error(s, x, p));
}

void PrintHeading() {
    std::printf("%6s %9s %7s %12s %12s %9s %9s %10s\n", "point", "r [m]", "theta", "|p| [Pa]",
                "exact |p|", "phase", "exact", "error");
}

// Reads the points and their pressures; prints the problem and returns false when they do not fit.
bool Load(const char* pointFile, const char* resultFile, std::vector<Vector3>& points,
          std::vector<Complex>& pressures) {
    std::string problem = tool::ReadPoints(pointFile, points);
    if (problem.empty()) problem = tool::ReadPressures(resultFile, pressures);
    if (problem.empty() && points.size() != pressures.size()) {
        problem = std::string(resultFile) + " does not hold one result per point of " + pointFile;
    }
    if (!problem.empty()) std::fprintf(stderr, "error: %s\n", problem.c_str());
    return problem.empty();
}

void PrintSummary(const char* what, const Setting& s, const std::vector<Vector3>& points,
                  const std::vector<Complex>& pressures) {
    double largest = 0.0, squares = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double e = Error(s, points[i], pressures[i]);
        largest = std::max(largest, e);
        squares += e * e;
    }
    std::printf("%s error: max %.3e, rms %.3e over %zu points\n", what, largest,
                std::sqrt(squares / points.size()), points.size());
}

}  // namespace

int main(int argc, char* argv[]) {
    Setting s{sphere::Motion::pulsating, 0, 0, 0, 0, 0};
    const bool known = argc >= 2 && (std::strcmp(argv[1], "pulsating") == 0 ||
                                     std::strcmp(argv[1], "oscillating") == 0);
    if (!known || (argc != 9 && argc != 11) || !tool::ParseDouble(argv[2], s.a) || s.a <= 0.0 ||
        !tool::ParseDouble(argv[3], s.ka) || s.ka <= 0.0 || !tool::ParseDouble(argv[4], s.rho) ||
        !tool::ParseDouble(argv[5], s.c) || s.c <= 0.0 ||
        !tool::ParseDouble(argv[6], s.amplitude) || s.amplitude == 0.0) {
        std::fprintf(stderr,
                     "usage: spheretable pulsating|oscillating radius ka density c amplitude "
                     "surface.srf surface.res\n"
                     "                   [points.ms points.res]\n");
        return 2;
    }
    if (std::strcmp(argv[1], "oscillating") == 0) s.motion = sphere::Motion::oscillating;
    std::vector<Vector3> surface, field;
    std::vector<Complex> surfacePressures, fieldPressures;
    if (!Load(argv[7], argv[8], surface, surfacePressures)) return 1;
    if (argc == 11 && !Load(argv[9], argv[10], field, fieldPressures)) return 1;

    const bool pulsating = s.motion == sphere::Motion::pulsating;
    const double pi = 4.0 * std::atan(1.0);
    std::printf(
        "%s sphere: a = %g m, ka = %g, f = %g Hz, density %g kg/m^3, c = %g m/s, %s = %g m/s\n",
        pulsating ? "Pulsating" : "Oscillating", s.a, s.ka, s.ka * s.c / (2.0 * pi * s.a), s.rho,
        s.c, pulsating ? "v0" : "U", s.amplitude);
    if (pulsating) {
        std::printf(
            "exact: p(r) = rho c v0 (a/r) jka/(1 + jka) exp(-jk(r - a)), time factor exp(+j omega "
            "t)\n");
        std::printf("error: |p - p_exact| / |p_exact|\n");
    } else {
        std::printf(
            "exact: p(r, theta) = rho c U (a/r)^2 cos(theta) jka (1 + jkr)/(2 + 2jka - (ka)^2) "
            "exp(-jk(r - a)),\n"
            "       time factor exp(+j omega t)\n");
        std::printf("error: |p - p_exact| / |p_exact on the axis at the same r|\n");
    }
    std::printf("theta: polar angle from +z in degrees; phase in degrees\n\n");

    std::printf("Surface, the points nearest to theta = 0, 30, ..., 180:\n");
    PrintHeading();
    std::vector<std::size_t> shown;
    for (int target = 0; target <= 180; target += 30) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < surface.size(); ++i) {
            if (std::fabs(PolarAngle(surface[i]) - target) <
                std::fabs(PolarAngle(surface[best]) - target))
                best = i;
        }
        if (std::find(shown.begin(), shown.end(), best) != shown.end()) continue;
        shown.push_back(best);
        PrintRow(s, best, surface[best], surfacePressures[best]);
    }
    PrintSummary("Surface", s, surface, surfacePressures);
    if (!field.empty()) {
        std::printf("\nField points:\n");
        PrintHeading();
        for (std::size_t i = 0; i < field.size(); ++i) PrintRow(s, i, field[i], fieldPressures[i]);
        PrintSummary("Field", s, field, fieldPressures);
    }
    return 0;
}
