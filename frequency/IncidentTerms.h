// The incident sound of a model at one frequency, as the terms the frequency solver adds: the
// surface rows and the CHIEF rows gain -4 pi p_inc at their points, the field points and the
// interior check points gain p_inc, so that every pressure solved for and written is a total one.
#pragma once

#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"

// Fills `terms` for the incident sound of a case of the model at angular frequency omega; all
// empty when there is none. 0, or -4 after one report when the memory is refused.
int IncidentTerms(const Model& model, const CIncidentField& incident, double omega,
                  AddedTerms& terms);
