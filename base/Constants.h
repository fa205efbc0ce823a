// Constants of the whole program, set once at start-up.
#pragma once

#include <cmath>

#include "base/Complex.h"

// pi = 4 atan(1), computed once when the program starts.
inline const double pi = 4.0 * std::atan(1.0);

// The angular frequency omega = 2 pi f of a frequency f in Hz.
inline double AngularFrequency(double frequency) { return 2.0 * pi * frequency; }

// The imaginary unit j.
inline constexpr Complex imaginaryUnit{0.0, 1.0};
