// A frequency sweep as its job file describes it: the model (the configuration of the medium and
// the tolerances, the surface and its boundary conditions, the field points, the protection
// against interior resonances), the frequencies and where the results go. Paths are ready to
// open.
#pragma once

#include <string>
#include <vector>

#include "frequency/ModelDescription.h"

struct SweepJob : ModelDescription {
    std::string writeExcitation;  // where the derived excitation is written, or empty
    std::string outputDirectory;
    // ACCEPT UNTRUSTED: frequencies whose residual stays above the limit after CHIEF are
    // reported with a warning, the exit status stays 0.
    bool acceptUntrusted = false;
};
