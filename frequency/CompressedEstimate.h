// What the compressed solve of a model will cost, known before the first frequency: the memory of
// a frequency from the partition of its matrices, before any entry is computed, and its seconds
// from a sample of its blocks computed as the solve computes them.
#pragma once

#include "frequency/Model.h"

// The memory one compressed frequency with chiefPoints CHIEF points needs: the matrices, the
// CHIEF rows, the surface vectors (a few more for each load case) and the geometry the
// generator copied. Bytes.
double CompressedMemoryNeed(const Model& model, int chiefPoints);

// The seconds of one compressed frequency at `frequency` in Hz on `threads` threads, from a
// probe of the blocks there (the highest frequency of a sweep, where the ranks are largest).
double CompressedSeconds(const Model& model, double frequency, int threads);
