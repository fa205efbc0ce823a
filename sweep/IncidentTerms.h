// The incident sound of a sweep at one frequency, as the terms the frequency solver adds: the
// surface rows and the CHIEF rows gain -4 pi p_inc at their points, the field points and the
// interior check points gain p_inc, so that every pressure solved for and written is a total one.
#pragma once

#include "solver/IncidentField.h"
#include "sweep/FrequencySolver.h"
#include "sweep/SweepModel.h"

// Fills `terms` for the model at angular frequency omega; all empty when the field is empty.
// 0, or -4 after one report when the memory is refused.
int IncidentTerms(const SweepModel& model, const CIncidentField& incident, double omega,
                  AddedTerms& terms);
