// The surface system and its use: A p = B v with the known quantity of every surface point
// (its excitation) moved to the right-hand side, the pressures and velocities recovered from
// the unknowns, and the field pressure of a measuring point from its row of A and B. These are
// the arithmetic shared by the solver commands and by any other solver of the same equations;
// they allocate nothing and report nothing.
#pragma once

#include <cstdint>

#include "base/Complex.h"

// One row of the system from the rows of A and B (n entries each) and the excitation of every
// point (type code and value, n each): the row into systemRow (n entries), its right-hand side
// returned. The unknown of point j is its velocity where the pressure or the impedance is
// given, and its pressure where the velocity or the admittance is given.
Complex AssembleSystemRow(int n, const Complex* rowA, const Complex* rowB,
                          const std::int16_t* types, const Complex* values, Complex* systemRow);

// The right-hand side of that row alone, with the same arithmetic: for another excitation whose
// system is the same (the same type at every point and the same values at Z and Y points).
Complex SystemRowRightHandSide(int n, const Complex* rowA, const Complex* rowB,
                               const std::int16_t* types, const Complex* values);

// Whether two excitations of n points give the same system matrix: the same type at every point
// and, at Z and Y points, the same value to the last bit. P and V values only enter the
// right-hand side.
bool SameSystemMatrix(int n, const std::int16_t* typesA, const Complex* valuesA,
                      const std::int16_t* typesB, const Complex* valuesB);

// The pressures and velocities (n each, into the caller's arrays) from the solution of the
// system (unknowns) and the excitation. The output arrays must not overlap the inputs.
void RecoverSurfaceSolution(int n, const std::int16_t* types, const Complex* values,
                            const Complex* unknowns, Complex* pressures, Complex* velocities);

// The pressure at a measuring point from its rows of A and B (n entries each) and the surface
// pressures and velocities: (sum of A p - B v) / 4 pi, summed in column order.
Complex FieldPressure(int n, const Complex* rowA, const Complex* rowB, const Complex* pressures,
                      const Complex* velocities);
