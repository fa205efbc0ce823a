// The incident sound of a model at one frequency, as the terms the frequency solver adds: the
// surface rows gain -4 pi p_inc at their points, the field points and the interior check points
// gain p_inc, so that every pressure solved for and written is a total one; the CHIEF rows gain
// the incident sound as the surface renders it (InteriorIncidentTerm).
#pragma once

#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"

// Fills `terms` for the incident sound of a case of the model at angular frequency omega; all
// empty when there is none. 0, or -4 after one report when the memory is refused.
int IncidentTerms(const Model& model, const CIncidentField& incident, double omega,
                  AddedTerms& terms);

// The term the right-hand side of the CHIEF row with rows a and b of A and B gains: the sum of
// a p_inc - b v_inc over the surface points, in column order (pressures and velocities n each,
// or null without incident sound: 0). The scattered field vanishes inside the body, so the row
// says A (p - p_inc) = B (v - v_inc): the incident sound enters as the surface renders it, not
// as the exact -4 pi p_inc a surface row takes. On a coarse mesh the two differ by about as much
// as the solution's own error (on the sphere of 642 points in a plane wave at ka 6 the exact
// surface values miss the exact term by 1.4 % and the rendered one by 0.14 %), and the least
// squares would pull the solution towards that difference.
Complex InteriorIncidentTerm(int n, const Complex* a, const Complex* b, const Complex* pressures,
                             const Complex* velocities);
