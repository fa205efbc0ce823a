// The configuration of a run: the physical constants of the medium, the geometric tolerances and
// the encoding of matrix files, read from "Kavoral.cfg" and copied by value to every object.
#pragma once

#include "base/Complex.h"

// Encodings of matrix and C matrix files (MATRIX_FILE).
constexpr int matrixFileText = 0;
constexpr int matrixFileBinary = 1;

// Quadrature orders are indices into the rule tables: near, middle and far.
enum { quadratureNear = 0, quadratureMiddle = 1, quadratureFar = 2 };

// A key the file leaves out keeps the value below: the values of the example configuration.
struct ConfigData {
    double density = 1.2;                 // DENSITY
    Complex soundVelocity{343.0, 0.0};    // SOUND_VELOCITY: real part, imaginary part
    double pointEps = 1e-6;               // POINT_EPS
    double paraEps = 1e-3;                // PARA_EPS
    int quadratureOrder[3] = {12, 6, 2};  // set by the generator, by no key
    double division[2] = {0.1, 0.5};      // DIVISION: first, second
    double matrixEps = 1e-10;             // MATRIX_EPS: carried, not used
    int matrixFileMode = matrixFileText;  // MATRIX_FILE: TEXT 0, BINARY 1
    int threads = 0;                      // THREADS: 0 for every hardware thread
};
