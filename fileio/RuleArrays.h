// The quadrature rules as the Gauss file holds them: for each of twenty rules of one kind, one
// array of values (an abscissa or a weight per point).
#pragma once

#include <vector>

// Twenty rules of one kind, rule n - 1 at position n - 1.
using RuleArrays = std::vector<double>[20];
