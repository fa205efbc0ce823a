// What the dense solve of a model will cost on this machine, known before the first frequency:
// the memory of a frequency and its seconds, from a short probe of the model's own rows and of
// the factorisation and the least squares at a small size, scaled with their work.
#pragma once

#include "frequency/Model.h"

struct DenseEstimate {
    double bytes = 0.0;           // the memory of one frequency at its peak
    double rowSeconds = 0.0;      // the rows of the surface, check and field points
    double factorSeconds = 0.0;   // the factorisation and the substitution
    double directSeconds = 0.0;   // a frequency solved without CHIEF points
    // A marked frequency solved again with the CHIEF points (the surface and CHIEF rows once
    // more, the least squares, the residual again), beyond directSeconds; 0 without CHIEF points.
    double resolveSeconds = 0.0;
    // A frequency solved with the CHIEF points from the start (CHIEF n).
    double chiefSeconds = 0.0;
};

// The memory one dense frequency of n surface points and m CHIEF points (0: no least squares)
// needs: the system or the least-squares matrix, the stream of rows, the vectors. Bytes.
double DenseMemoryNeed(int n, int m, int threads);

// The estimate for the model, its rows probed at `frequency` in Hz, on `threads` threads, with
// chiefPoints CHIEF points available (0: none). The probe takes a small fraction of the time of
// one frequency and prints nothing.
DenseEstimate EstimateDense(const Model& model, double frequency, int chiefPoints, int threads);
