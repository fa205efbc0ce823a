// Constants of the whole program, set once at start-up.
#pragma once

#include <cmath>

#include "base/Complex.h"

// pi = 4 atan(1), computed once when the program starts.
inline const double pi = 4.0 * std::atan(1.0);

// The imaginary unit j.
inline constexpr Complex imaginaryUnit{0.0, 1.0};
