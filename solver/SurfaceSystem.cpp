#include "solver/SurfaceSystem.h"

#include <cstring>

#include "base/Constants.h"
#include "fileio/ExcitationType.h"

namespace {

Complex Negated(Complex value) { return {-value.re, -value.im}; }

}  // namespace

Complex AssembleSystemRow(int n, const Complex* rowA, const Complex* rowB,
                          const std::int16_t* types, const Complex* values, Complex* systemRow) {
    for (int j = 0; j < n; ++j) {
        const Complex e = values[j];
        switch (types[j]) {
            case givenPressure:  // unknown v: -B v on the left, -A p on the right
                systemRow[j] = Negated(rowB[j]);
                break;
            case givenVelocity:  // unknown p: A p on the left, B v on the right
                systemRow[j] = rowA[j];
                break;
            case givenImpedance:  // unknown v, p = Z v
                systemRow[j] = e * rowA[j] - rowB[j];
                break;
            default:  // givenAdmittance: unknown p, v = Y p
                systemRow[j] = rowA[j] - e * rowB[j];
                break;
        }
    }
    return SystemRowRightHandSide(n, rowA, rowB, types, values);
}

Complex SystemRowRightHandSide(int n, const Complex* rowA, const Complex* rowB,
                               const std::int16_t* types, const Complex* values) {
    Complex r{0.0, 0.0};
    for (int j = 0; j < n; ++j) {
        if (types[j] == givenPressure) {
            r = r - rowA[j] * values[j];
        } else if (types[j] == givenVelocity) {
            r = r + rowB[j] * values[j];
        }
    }
    return r;
}

bool SameSystemMatrix(int n, const std::int16_t* typesA, const Complex* valuesA,
                      const std::int16_t* typesB, const Complex* valuesB) {
    for (int j = 0; j < n; ++j) {
        if (typesA[j] != typesB[j]) return false;
        if (typesA[j] == givenPressure || typesA[j] == givenVelocity) continue;
        if (std::memcmp(&valuesA[j], &valuesB[j], sizeof(Complex)) != 0) return false;
    }
    return true;
}

void RecoverSurfaceSolution(int n, const std::int16_t* types, const Complex* values,
                            const Complex* unknowns, Complex* pressures, Complex* velocities) {
    for (int j = 0; j < n; ++j) {
        const Complex e = values[j];
        const Complex x = unknowns[j];
        switch (types[j]) {
            case givenPressure:
                pressures[j] = e;
                velocities[j] = x;
                break;
            case givenVelocity:
                pressures[j] = x;
                velocities[j] = e;
                break;
            case givenImpedance:
                pressures[j] = e * x;
                velocities[j] = x;
                break;
            default:  // givenAdmittance
                pressures[j] = x;
                velocities[j] = e * x;
                break;
        }
    }
}

Complex FieldPressure(int n, const Complex* rowA, const Complex* rowB, const Complex* pressures,
                      const Complex* velocities) {
    const double fourPi = 4.0 * pi;
    Complex r{0.0, 0.0};
    for (int j = 0; j < n; ++j) r += rowA[j] * pressures[j] - rowB[j] * velocities[j];
    return {r.re / fourPi, r.im / fourPi};
}
