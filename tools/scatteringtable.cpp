// scatteringtable: compares the total pressures computed for a rigid sphere in a plane wave with
// the exact series and prints the relative L2 and the largest error; on request it writes the
// points and the exact curve over the angle from the wave direction as CSV, for a plot.
//   scatteringtable radius frequency c amplitude_re amplitude_im dx dy dz points results
//                   [points.csv curve.csv]
// The sphere is centred at the origin; the wave P0 exp(-jk d.x) travels along d. theta is the
// angle between d and the point: 0 on the shadow side, 180 degrees where the wave arrives. The
// error of a point is |p - p_exact| / |P0|; the L2 error sqrt(sum |p - p_exact|^2 / sum |p_exact|^2).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/File.h"
#include "tools/SphereScattering.h"
#include "tools/ToolSupport.h"

namespace {

const double degree = std::atan(1.0) / 45.0;

struct Setting {
    double a = 0.0, k = 0.0;
    Complex amplitude{0.0, 0.0};
    Vector3 d{0.0, 0.0, 0.0};
    Complex Exact(Vector3 x) const {
        return scattering::SpherePlaneWave(a, k, {0.0, 0.0}, amplitude, d, x);
    }
};

double Angle(Vector3 d, Vector3 x) { return std::acos(scattering::CosAngle(d, x)) / degree; }
double Phase(Complex p) { return std::atan2(p.im, p.re) / degree; }

// A point at the distance r in the plane of d and an axis across it, at the angle theta from d.
Vector3 OnArc(Vector3 d, double r, double theta) {
    Vector3 across =
        std::fabs(d.x) < 0.9 ? Cross(d, Vector3{1.0, 0.0, 0.0}) : Cross(d, Vector3{0.0, 1.0, 0.0});
    across = across * (1.0 / Length(across));
    return (d * std::cos(theta * degree) + across * std::sin(theta * degree)) * r;
}

bool WriteCsv(const char* name, const std::string& text) {
    UniqueFile file = OpenFile(name, "w");
    if (file == nullptr) return false;
    const bool written = std::fputs(text.c_str(), file.get()) >= 0;
    return CloseWritten(file) && written;
}

std::string Line(double theta, Complex p, Complex exact) {
    char text[160];
    std::snprintf(text, sizeof text, "%.6g,%.8g,%.6g,%.8g,%.6g\n", theta, Abs(p), Phase(p),
                  Abs(exact), Phase(exact));
    return text;
}

}  // namespace

int main(int argc, char* argv[]) {
    Setting s;
    double frequency = 0.0, c = 0.0;
    if ((argc != 11 && argc != 13) || !tool::ParseDouble(argv[1], s.a) || s.a <= 0.0 ||
        !tool::ParseDouble(argv[2], frequency) || frequency <= 0.0 ||
        !tool::ParseDouble(argv[3], c) || c <= 0.0 || !tool::ParseDouble(argv[4], s.amplitude.re) ||
        !tool::ParseDouble(argv[5], s.amplitude.im) || Abs(s.amplitude) == 0.0 ||
        !tool::ParseDouble(argv[6], s.d.x) || !tool::ParseDouble(argv[7], s.d.y) ||
        !tool::ParseDouble(argv[8], s.d.z) || !(Length(s.d) > 0.0) || !std::isfinite(Length(s.d))) {
        std::fprintf(stderr,
                     "usage: scatteringtable radius frequency c amplitude_re amplitude_im dx dy dz "
                     "points results\n"
                     "                       [points.csv curve.csv]\n");
        return 2;
    }
    s.d = s.d * (1.0 / Length(s.d));
    s.k = 2.0 * 4.0 * std::atan(1.0) * frequency / c;
    std::vector<Vector3> points;
    std::vector<Complex> pressures;
    std::string problem = tool::ReadPoints(argv[9], points);
    if (problem.empty()) problem = tool::ReadPressures(argv[10], pressures);
    if (problem.empty() && points.size() != pressures.size()) {
        problem = std::string(argv[10]) + " does not hold one result per point of " + argv[9];
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "error: %s\n", problem.c_str());
        return 1;
    }

    double squares = 0.0, exactSquares = 0.0, largest = 0.0, radius = 0.0;
    std::string pointsCsv = "theta_deg,abs_p,phase_deg,abs_exact,phase_exact_deg\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Complex exact = s.Exact(points[i]);
        const double e = Abs(pressures[i] - exact);
        squares += e * e;
        exactSquares += Abs(exact) * Abs(exact);
        largest = std::max(largest, e / Abs(s.amplitude));
        radius = std::max(radius, Length(points[i]));
        pointsCsv += Line(Angle(s.d, points[i]), pressures[i], exact);
    }
    std::printf(
        "Rigid sphere a = %g m in a plane wave along (%.4g, %.4g, %.4g), f = %g Hz, ka = %.6g, %zu "
        "points\n",
        s.a, s.d.x, s.d.y, s.d.z, frequency, s.k * s.a, points.size());
    std::printf("relative L2 error %.3e, largest error %.3e of |P0|\n",
                std::sqrt(squares / exactSquares), largest);
    if (argc == 13) {
        std::string curve = "theta_deg,abs_p,phase_deg,abs_exact,phase_exact_deg\n";
        for (int t = 0; t <= 180; ++t) {
            const Complex exact = s.Exact(OnArc(s.d, radius, t));
            curve += Line(t, exact, exact);
        }
        if (!WriteCsv(argv[11], pointsCsv) || !WriteCsv(argv[12], curve)) {
            std::fprintf(stderr, "error: cannot write %s or %s\n", argv[11], argv[12]);
            return 1;
        }
    }
    return 0;
}
